// A slow folder for the benchmark: mounts a FUSE file system that shows the
// folder given, and waits 1 ms in every open, create, link, rename and
// release, as a network share or a USB stick behind a slow bus would. Data
// and listings go at full speed. Many requests run at once (libfuse's
// multi-threaded loop), as on a real share; no unnamed files (O_TMPFILE), as
// on FUSE.
//
// Usage: rinomina_slow_folder FOLDER MOUNTPOINT [fuse options]
//   e.g. rinomina_slow_folder /tmp/a /mnt/slow -o allow_other ; fusermount3 -u /mnt/slow
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int folder = -1;  // the folder shown

static void Wait(void) {
  const struct timespec oneMillisecond = {0, 1000000};
  nanosleep(&oneMillisecond, NULL);
}

// FUSE paths begin with "/"; the folder's own is ".".
static const char* Relative(const char* path) { return path[1] == '\0' ? "." : path + 1; }
static int Result(int result) { return result < 0 ? -errno : result; }

static void* Init(struct fuse_conn_info* connection, struct fuse_config* config) {
  (void)connection;
  config->use_ino = 1;
  return NULL;
}

static int GetAttr(const char* path, struct stat* status, struct fuse_file_info* file) {
  if (file != NULL) return Result(fstat((int)file->fh, status));
  return Result(fstatat(folder, Relative(path), status, AT_SYMLINK_NOFOLLOW | AT_EMPTY_PATH));
}

static int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                   struct fuse_file_info* file, enum fuse_readdir_flags flags) {
  (void)offset, (void)file, (void)flags;
  const int fd = openat(folder, Relative(path), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return -errno;
  DIR* listing = fdopendir(fd);
  if (listing == NULL) return close(fd), -ENOMEM;
  for (struct dirent* entry; (entry = readdir(listing)) != NULL;) {
    struct stat status = {.st_ino = entry->d_ino, .st_mode = (mode_t)(DTTOIF(entry->d_type))};
    if (fill(buffer, entry->d_name, &status, 0, 0)) break;
  }
  closedir(listing);
  return 0;
}

static int Open(const char* path, struct fuse_file_info* file) {
  Wait();
  const int fd = openat(folder, Relative(path), file->flags & ~O_NOFOLLOW);
  if (fd < 0) return -errno;
  file->fh = (uint64_t)fd;
  return 0;
}

static int Create(const char* path, mode_t mode, struct fuse_file_info* file) {
  Wait();
  const int fd = openat(folder, Relative(path), file->flags, mode);
  if (fd < 0) return -errno;
  file->fh = (uint64_t)fd;
  return 0;
}

static int Release(const char* path, struct fuse_file_info* file) {
  (void)path;
  Wait();
  close((int)file->fh);
  return 0;
}

static int Read(const char* path, char* buffer, size_t size, off_t offset,
                struct fuse_file_info* file) {
  (void)path;
  return Result((int)pread((int)file->fh, buffer, size, offset));
}

static int Write(const char* path, const char* buffer, size_t size, off_t offset,
                 struct fuse_file_info* file) {
  (void)path;
  return Result((int)pwrite((int)file->fh, buffer, size, offset));
}

static int Link(const char* from, const char* to) {
  Wait();
  return Result(linkat(folder, Relative(from), folder, Relative(to), 0));
}

static int Rename(const char* from, const char* to, unsigned int flags) {
  Wait();
  return Result(renameat2(folder, Relative(from), folder, Relative(to), flags));
}

static int Unlink(const char* path) { return Result(unlinkat(folder, Relative(path), 0)); }
static int MakeDir(const char* path, mode_t mode) {
  return Result(mkdirat(folder, Relative(path), mode));
}
static int RemoveDir(const char* path) {
  return Result(unlinkat(folder, Relative(path), AT_REMOVEDIR));
}
static int Symlink(const char* to, const char* path) {
  return Result(symlinkat(to, folder, Relative(path)));
}
static int ReadLink(const char* path, char* buffer, size_t size) {
  const ssize_t length = readlinkat(folder, Relative(path), buffer, size - 1);
  if (length < 0) return -errno;
  buffer[length] = '\0';
  return 0;
}
static int ChangeMode(const char* path, mode_t mode, struct fuse_file_info* file) {
  if (file != NULL) return Result(fchmod((int)file->fh, mode));
  return Result(fchmodat(folder, Relative(path), mode, 0));
}
static int Truncate(const char* path, off_t size, struct fuse_file_info* file) {
  if (file != NULL) return Result(ftruncate((int)file->fh, size));
  const int fd = openat(folder, Relative(path), O_WRONLY);
  if (fd < 0) return -errno;
  const int result = Result(ftruncate(fd, size));
  close(fd);
  return result;
}
static int SetTimes(const char* path, const struct timespec times[2], struct fuse_file_info* file) {
  if (file != NULL) return Result(futimens((int)file->fh, times));
  return Result(utimensat(folder, Relative(path), times, AT_SYMLINK_NOFOLLOW));
}
static int StatFs(const char* path, struct statvfs* status) {
  (void)path;
  return Result(fstatvfs(folder, status));
}
static int Sync(const char* path, int dataOnly, struct fuse_file_info* file) {
  (void)path;
  return Result(dataOnly ? fdatasync((int)file->fh) : fsync((int)file->fh));
}

static const struct fuse_operations operations = {
    .init = Init,
    .getattr = GetAttr,
    .readdir = ReadDir,
    .open = Open,
    .create = Create,
    .release = Release,
    .read = Read,
    .write = Write,
    .link = Link,
    .rename = Rename,
    .unlink = Unlink,
    .mkdir = MakeDir,
    .rmdir = RemoveDir,
    .symlink = Symlink,
    .readlink = ReadLink,
    .chmod = ChangeMode,
    .truncate = Truncate,
    .utimens = SetTimes,
    .statfs = StatFs,
    .fsync = Sync,
};

int main(int argc, char* argv[]) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s FOLDER MOUNTPOINT [fuse options]\n", argv[0]);
    return 2;
  }
  folder = open(argv[1], O_RDONLY | O_DIRECTORY);
  if (folder < 0) {
    perror(argv[1]);
    return 1;
  }
  // The folder is not passed on: fuse_main sees the mount point and options.
  argv[1] = argv[0];
  return fuse_main(argc - 1, argv + 1, &operations, NULL);
}
