/* Preloaded into 32-bit Wine processes run by user-mode QEMU (scripts/wine32).
 *
 * Wine reserves its address space with mmap(MAP_FIXED_NOREPLACE), splitting a
 * failed range in halves down to 64 KiB. QEMU 7.2 takes that flag as a mere
 * hint and searches its whole 4 GiB guest map for every failed piece, which
 * makes each Wine process spend a minute of CPU starting. Here the flag keeps
 * its meaning: a mapping placed elsewhere is undone and fails with EEXIST, and
 * reservations under 1 MiB fail at once (Wine does without them).
 *
 * Built with no C headers, which a 64-bit system lacks for i386. */

typedef unsigned int size_t;
typedef long off_t;
typedef long long off64_t;

#define MAP_FAILED ((void *)-1)
#define RTLD_NEXT ((void *)-1)
#define PROT_NONE 0
#define MAP_NORESERVE 0x4000
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17

void *dlsym(void *handle, const char *name);
int munmap(void *address, size_t length);
int *__errno_location(void);

typedef void *(*Mmap64)(void *, size_t, int, int, int, off64_t);

static void *fail_exists(void) {
  *__errno_location() = EEXIST;
  return MAP_FAILED;
}

static void *map(void *address, size_t length, int protection, int flags, int fd, off64_t offset) {
  static Mmap64 real_mmap64;
  if (!real_mmap64) real_mmap64 = (Mmap64)dlsym(RTLD_NEXT, "mmap64");
  const int noreplace = (flags & MAP_FIXED_NOREPLACE) != 0;
  if (noreplace && protection == PROT_NONE && (flags & MAP_NORESERVE) && length < (1u << 20))
    return fail_exists();
  void *result = real_mmap64(address, length, protection, flags, fd, offset);
  if (noreplace && result != MAP_FAILED && result != address) {
    munmap(result, length);
    return fail_exists();
  }
  return result;
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, off64_t offset) {
  return map(address, length, protection, flags, fd, offset);
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, off_t offset) {
  return map(address, length, protection, flags, fd, offset);
}
