// What the decoder's TGA files and the encoder's TGA sources share.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kTgaHeaderSize = 18;
constexpr size_t kTgaFooterSize = 26;
constexpr uint8_t kTgaTrueColor = 2;        // image type: uncompressed true-colour
constexpr uint8_t kTgaTopLeftOrigin = 0x20; // image descriptor: the first stored row is the top row
