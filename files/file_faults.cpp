#include "files/file_faults.h"

static FileFaults planted;
static uint64_t bytesRead = 0;
static uint64_t fdopens = 0;

void plantFileFaults(const FileFaults& faults) {
  planted = faults;
  bytesRead = 0;
  fdopens = 0;
}

uint64_t bytesBeforeReadFault() { return planted.readFailsAfter > bytesRead ? planted.readFailsAfter - bytesRead : 0; }

void countBytesRead(uint64_t bytes) { bytesRead += bytes; }

bool fdopenFaultPlanted() { return fdopens++ == planted.fdopensBeforeFault; }

bool renameWithoutReplacingFaultPlanted() { return planted.renameWithoutReplacingRefused; }

bool linkFaultPlanted() { return planted.linksRefused; }

bool vanishingFileFaultPlanted() { return planted.vanishingFilesRefused; }

bool affinityFaultPlanted() { return planted.affinityRefused; }
