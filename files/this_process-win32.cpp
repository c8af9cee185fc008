#include "files/this_process.h"

#include <windows.h>

unsigned processorsOfThisProcess() {
  const DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

unsigned long currentProcessId() { return GetCurrentProcessId(); }
