// What the programs ask about their own process.
#pragma once

// How many processors this process may run on: the affinity mask on Linux,
// the active processors of every group on Windows; at least 1.
unsigned processorsOfThisProcess();

unsigned long currentProcessId();
