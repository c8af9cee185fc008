// What every implementation of the block encoders shares: a block's 16
// pixels and the colour index thresholds.
#pragma once

#include <cstdint>

constexpr uint32_t kBlockPixels = 16;
// Red, green and blue; alpha, where the layout has it, comes after them.
constexpr int kColorChannels = 3;

// Index thresholds of the colour block: the floats nearest 1/6 (bits
// 0x3E2AAAAB) and 5/6 (bits 0x3F555555), midpoints of the palette 0, 1/3, 2/3, 1.
constexpr float kIndexThresholdLow = 0x1.555556p-3f;
constexpr float kIndexThresholdHigh = 0x1.aaaaaap-1f;
