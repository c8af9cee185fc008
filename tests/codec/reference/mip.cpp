#include "reference/mip.h"

#include <cstddef>

void reduceMipLevel(uint32_t w, uint32_t h, const FloatColor* colors, const float* alphas,
                    FloatColor* nextColors, float* nextAlphas) {
  if (w < 2 || h < 2) return;
  const size_t halfW = w / 2;
  // Every output entry is written once, so rows first is as good as any
  // order and reads the input in memory order.
  for (size_t j = 0; j < h / 2; ++j) {
    const size_t top = 2 * j * w;  // stored row 2j
    const size_t bottom = top + w;  // stored row 2j + 1
    for (size_t i = 0; i < halfW; ++i) {
      const size_t left = 2 * i;
      const size_t right = left + 1;
      // s = ((c(2i,2j) + c(2i,2j+1)) + c(2i+1,2j)) + c(2i+1,2j+1); s * (1/4)
      FloatColor sum = vecAdd(colors[top + left], colors[bottom + left]);
      sum = vecAdd(sum, colors[top + right]);
      sum = vecAdd(sum, colors[bottom + right]);
      nextColors[j * halfW + i] = vecDivide(sum, 4.0f);
      // Alpha: a(2i+1,2j+1) + a(2i+1,2j) + a(2i,2j+1) + a(2i,2j) in double,
      // times 0.25, rounded once to float.
      double alphaSum = static_cast<double>(alphas[bottom + right]);
      alphaSum += static_cast<double>(alphas[top + right]);
      alphaSum += static_cast<double>(alphas[bottom + left]);
      alphaSum += static_cast<double>(alphas[top + left]);
      nextAlphas[j * halfW + i] = static_cast<float>(alphaSum * 0.25);
    }
  }
}
