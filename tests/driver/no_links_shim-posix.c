/* Preloaded into the programs to make them meet a file system without hard
   or symbolic links (FAT, exFAT), as on many USB drives. */
#include <errno.h>

int link(const char* from, const char* to) {
  (void)from, (void)to;
  errno = EPERM;
  return -1;
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
  (void)fromFolder, (void)from, (void)toFolder, (void)to, (void)flags;
  errno = EPERM;
  return -1;
}

int symlink(const char* target, const char* link) {
  (void)target, (void)link;
  errno = EPERM;
  return -1;
}

int symlinkat(const char* target, int folder, const char* link) {
  (void)target, (void)folder, (void)link;
  errno = EPERM;
  return -1;
}
