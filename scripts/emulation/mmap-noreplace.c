/* Preloaded into Wine's emulated 32-bit processes (scripts/wine32-emulation.sh).
 *
 * qemu-user 7.2 does not know MAP_FIXED_NOREPLACE: it takes the address as a hint and, when the range is
 * taken, maps elsewhere after searching the guest's address space page by page. Wine reserves its address
 * space with such calls, halving a range on every failure, so each 32-bit process start made some 49,000
 * slow calls (about 50 s of processor time). The kernel's answer is EEXIST at once; this gives it back:
 * a mapping placed elsewhere is undone and fails with EEXIST, as on a real kernel.
 *
 * Built freestanding (-nostdlib): only glibc's syscall() and errno are used, resolved at load time. */
typedef unsigned int size_t;
long syscall(long number, ...);
int *__errno_location(void);

#define MAP_FIXED_NOREPLACE 0x100000
#define EINVAL 22
#define EEXIST 17
#define SYS_munmap 91
#define SYS_mmap2 192
#define PAGE_MASK 4095ULL

static void *map(void *addr, size_t length, int prot, int flags, int fd, unsigned long long offset) {
  /* mmap2 counts the offset in pages: one that is not page-aligned is an error, as in glibc (Wine then
     reads the section instead of mapping it). */
  if (offset & PAGE_MASK) {
    *__errno_location() = EINVAL;
    return (void *)-1;
  }
  void *p = (void *)syscall(SYS_mmap2, addr, length, prot, flags, fd, (unsigned long)(offset >> 12));
  if ((flags & MAP_FIXED_NOREPLACE) && p != (void *)-1 && p != addr) {
    syscall(SYS_munmap, p, length);
    *__errno_location() = EEXIST;
    return (void *)-1;
  }
  return p;
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset) {
  return map(addr, length, prot, flags, fd, (unsigned long long)(unsigned long)offset);
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, long long offset) {
  return map(addr, length, prot, flags, fd, (unsigned long long)offset);
}
