// Tessark's two operations on files. Every outcome is printed; false when
// the operation failed, which leaves any older output of the same name as
// it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "encode/encoder.h"
#include "shared/simd_path.h"

// -d: "<base><level>.tga" for every level of the container at path, with
// the kernel of simdPath.
bool decodeContainerFile(const std::string& path, SimdPath simdPath);

// The second half of -d on a container already in memory; baseName is the
// output stem, simdPath picks the decoder's kernel.
bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName, SimdPath simdPath);

// -e: "<base>.dds" from the TGA source at path, on simdPath's kernels, a
// large source encoded by up to `threads` threads.
bool encodeTgaFile(const std::string& path, SimdPath simdPath, unsigned threads = 1);

// The first half of -e: opens, reads and encodes the source at path on the
// given path's kernels; prints why when it fails. Progress, when given, is
// told as stretches of level 0 become final.
bool readTgaFile(const std::string& path, SimdPath simdPath, EncodedTexture& texture, unsigned threads = 1,
                 const LevelZeroProgress* progress = nullptr);

// -d on a standard DDS texture in memory (the file starts with "DDS "):
// path names it in a refusal, baseName is the output stem.
bool decodeDdsBytes(const uint8_t* data, size_t size, const std::string& path, const std::string& baseName);
