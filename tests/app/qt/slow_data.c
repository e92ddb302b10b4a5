// Preloaded into the program by long_pass_test.sh: every chunk of file data
// copied in the kernel takes a tenth of a second longer, so that a pass over a few large files on
// a fast disk lasts long enough to watch, close and check; and the flush at the end of a pass a
// whole second longer, as on a USB stick that stalls, so that a stopped pass is seen ending.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset, size_t length,
                        unsigned flags) {
  static ssize_t (*real)(int, off_t*, int, off_t*, size_t, unsigned);
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "copy_file_range");  // the way POSIX allows
  nanosleep(&(struct timespec){.tv_nsec = 100 * 1000 * 1000}, NULL);
  return real(in, inOffset, out, outOffset, length, flags);
}

int syncfs(int fd) {
  static int (*real)(int);
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "syncfs");
  sleep(1);
  return real(fd);
}
