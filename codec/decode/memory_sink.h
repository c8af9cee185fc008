// The decoder's level files kept in memory: the core decoded without any
// file, for the tests, the fuzz targets and any caller that stores the
// levels its own way.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/decoder.h"

struct LevelFilesInMemory {
  bool headerRead = false;
  TextureHeader header;
  std::vector<std::vector<uint8_t>> files;  // level n's whole TGA file, kept ones only, in order
  std::vector<uint8_t> current;             // the level being written
};

// A sink that fills `levels`; it never fails.
TgaFileSink memoryTgaFileSink(LevelFilesInMemory& levels);
