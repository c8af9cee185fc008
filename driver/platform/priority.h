// Scheduling priority of the driver's own process.
#pragma once

// Lowers the process to below-normal priority; children started afterwards
// inherit it. Returns false when the change was refused.
bool lowerProcessPriority();
