#include "priority.h"

#include <sys/resource.h>

#include <cerrno>

// Niceness 5 stands for the Windows below-normal class; a process that already
// runs nicer than that is left alone.
constexpr int kBelowNormalNiceness = 5;

bool lowerProcessPriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return false;
  if (current >= kBelowNormalNiceness) return true;
  return setpriority(PRIO_PROCESS, 0, kBelowNormalNiceness) == 0;
}
