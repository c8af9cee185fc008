// Faults a test plants in this layer to run the programs' error and
// fallback paths (a read error part-way through a file, a descriptor that
// cannot become a stream, a file system without some kind of rename or link,
// an affinity mask that cannot be read). The programs never plant any.
#pragma once

#include <cstdint>

struct FileFaults {
  uint64_t readFailsAfter = UINT64_MAX;  // bytes readStream delivers before it fails
  uint64_t fdopensBeforeFault = UINT64_MAX;  // descriptors that become streams before one fails
  bool renameWithoutReplacingRefused = false;  // as a file system that knows no RENAME_NOREPLACE
  bool linksRefused = false;                    // as a file system without hard links (FAT, exFAT)
  bool vanishingFilesRefused = false;           // as a system without unnamed temporary files
  bool affinityRefused = false;                 // as a system that will not tell the affinity mask
};

// Replaces the planted faults and restarts the counts.
void plantFileFaults(const FileFaults& faults);

// How many more bytes may be read before the planted read error.
uint64_t bytesBeforeReadFault();
void countBytesRead(uint64_t bytes);

// Called before each fdopen: true when this one is to fail.
bool fdopenFaultPlanted();

bool renameWithoutReplacingFaultPlanted();
bool linkFaultPlanted();
bool vanishingFileFaultPlanted();
bool affinityFaultPlanted();
