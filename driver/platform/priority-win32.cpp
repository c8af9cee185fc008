#include "priority.h"

#include <windows.h>

bool lowerProcessPriority() { return SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS) != 0; }
