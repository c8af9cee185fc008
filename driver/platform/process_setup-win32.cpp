#include "process_setup.h"

#include <io.h>

#include <cstdio>

void prepareProcess() {
  FILE* const streams[] = {stdin, stdout, stderr};
  const char* const modes[] = {"r", "w", "w"};
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1) continue;
    (void)!freopen("NUL", modes[fd], streams[fd]);
  }
}
