// TGA bytes encoded the way Tessark encodes a file: written to a scratch
// file and read by the tool's own reader.
#pragma once

#include <string>

#include "shared/simd_path.h"
#include "test_support.h"

// With printProgress the whole "-e" operation runs (its lines printed, the
// container read back from its file); without, only its first half, and the
// container is taken in memory. Failure messages are printed either way.
bool encodeThroughTool(const uint8_t* tga, size_t size, Bytes& container, bool printProgress,
                       SimdPath path = bestSimdPath());
