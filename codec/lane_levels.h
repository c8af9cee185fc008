// The level loop of the lane paths: level 0 is encoded and reduced straight
// from the source's pixel bytes, later levels are held as planar arrays, and
// the first level with a side below 4 goes on in the plain loop.
#pragma once

#include <cstdint>

#include "encoder.h"
#include "lane_kernels.h"

// pixels: width x height source pixels of 3 (format 3) or 4 (format 4)
// bytes, stored order, all present. Both sides must be at least 4. Prints
// and fails like encodeLevels.
bool encodeLevelsWithLanes(const LevelSink& sink, const LaneKernels& kernels, uint32_t width, uint32_t height,
                           int32_t format, bool topLeftOrigin, const uint8_t* pixels);
