#include "files/this_process.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/file_faults.h"

// sched_getaffinity, unless a test has planted its failure, which leaves the
// set as undefined as a failed call may: every bit set.
static int affinityOfThisProcess(cpu_set_t& set) {
  if (!affinityFaultPlanted()) return sched_getaffinity(0, sizeof set, &set);
  memset(&set, 0xff, sizeof set);
  errno = EINVAL;
  return -1;
}

unsigned processorsOfThisProcess() {
  cpu_set_t set;
  if (affinityOfThisProcess(set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }
