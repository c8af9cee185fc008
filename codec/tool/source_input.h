// The first half of -e for a source of any kind: the file opened, its kind
// told from its first bytes, and its pixels handed to the encoder, either
// streamed as they are (plain 24/32-bit true-colour TGA, as always) or as
// the plain TGA of the same pixels (every other TGA kind, PNG, JPEG). Every
// refusal is printed. On a terminal a progress line is drawn for a source
// that takes more than about a second.
#pragma once

#include <cstdint>
#include <string>

#include "encode/encoder.h"
#include "shared/simd_path.h"

struct SourceShortfall {
  uint64_t missingPixelBytes = 0;  // 0: the source held every pixel
  uint64_t pixelBytes = 0;
};

// False when the source was refused (and why was printed). A source shorter
// than its header says is encoded with the missing bytes as 0 and reported
// in `shortfall` for the caller to print.
bool readSourceFile(const std::string& path, SimdPath simdPath, EncodedTexture& texture, unsigned threads,
                    const LevelZeroProgress* progress, SourceShortfall& shortfall);
