// Faults a test plants in this layer to run the programs' error paths
// (a read error part-way through a file, a descriptor that cannot become a
// stream). The programs never plant any.
#pragma once

#include <cstdint>

struct FileFaults {
  uint64_t readFailsAfter = UINT64_MAX;  // bytes readStream delivers before it fails
  uint64_t fdopensBeforeFault = UINT64_MAX;  // descriptors that become streams before one fails
};

// Replaces the planted faults and restarts the counts.
void plantFileFaults(const FileFaults& faults);

// How many more bytes may be read before the planted read error.
uint64_t bytesBeforeReadFault();
void countBytesRead(uint64_t bytes);

// Called before each fdopen: true when this one is to fail.
bool fdopenFaultPlanted();
