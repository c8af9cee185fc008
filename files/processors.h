// How many processors this process may run on: the affinity mask on Linux,
// the active processors of every group on Windows; at least 1.
#pragma once

unsigned processorsOfThisProcess();
