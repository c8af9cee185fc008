// Mip level reduction: each pixel of the next level is the plain average of
// a 2x2 square of the current level, colour and alpha alike.
#pragma once

#include <cstdint>

#include "reference/float_color.h"

// colors/alphas: w x h entries in stored order (entry y*w + x). The outputs
// receive (w/2) x (h/2) entries, entry j*(w/2) + i. Nothing is written when a
// side is below 2.
void reduceMipLevel(uint32_t w, uint32_t h, const FloatColor* colors, const float* alphas,
                    FloatColor* nextColors, float* nextAlphas);
