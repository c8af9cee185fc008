#include "lane_levels.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// One planar level's arrays in one allocation, not initialised: the
// reduction writes every entry.
struct PlanarBuffer {
  std::unique_ptr<float[]> storage;
  PlanarLevel level{};
};

bool allocatePlanar(size_t count, bool withAlpha, PlanarBuffer& buffer) {
  buffer.storage.reset(new (std::nothrow) float[(withAlpha ? 4 : 3) * count]);
  if (!buffer.storage) return false;
  float* base = buffer.storage.get();
  buffer.level = PlanarLevel{base, base + count, base + 2 * count, withAlpha ? base + 3 * count : nullptr};
  return true;
}

// The plain loop's arrays of a small level; alphas are 0 for 24-bit sources,
// as the reader makes them.
bool toPlainArrays(const PlanarLevel& level, size_t count, std::vector<FloatColor>& colors,
                   std::vector<float>& alphas) {
  try {
    colors.resize(count);
    alphas.assign(count, 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    colors[i] = FloatColor{level.red[i], level.green[i], level.blue[i]};
    if (level.alpha) alphas[i] = level.alpha[i];
  }
  return true;
}

}  // namespace

bool encodeLevelsWithLanes(const LevelSink& sink, const LaneKernels& kernels, uint32_t width, uint32_t height,
                           int32_t format, bool topLeftOrigin, const uint8_t* pixels) {
  const bool withAlpha = format == kFormatRgba;
  const uint32_t bytesPerPixel = withAlpha ? 4 : 3;
  LevelSize level{width, height};
  std::unique_ptr<uint8_t[]> levelBytes(new (std::nothrow) uint8_t[levelBlockCount(width, height) * blockByteCount(format)]);
  if (!levelBytes) {
    reportLevelOutOfMemory(0, level);
    return false;
  }
  PlanarBuffer current;  // empty at level 0, which is read from the pixel bytes
  for (int number = 0;; ++number) {
    if (level.w < 4 || level.h < 4) {
      std::vector<FloatColor> colors;
      std::vector<float> alphas;
      if (!toPlainArrays(current.level, static_cast<size_t>(level.w) * level.h, colors, alphas)) {
        reportLevelOutOfMemory(number, level);
        return false;
      }
      return encodeLevelsFrom(sink, level, number, format, topLeftOrigin, std::move(colors), std::move(alphas));
    }
    if (sink.printProgress) printLevelLine(number, level);
    if (number == 0) {
      kernels.encodeSourceLevel(pixels, bytesPerPixel, level.w, level.h, topLeftOrigin, levelBytes.get());
    } else {
      kernels.encodePlanarLevel(current.level, level.w, level.h, topLeftOrigin, levelBytes.get());
    }
    if (!sink.write(sink.context, levelBytes.get(), levelBlockCount(level.w, level.h) * blockByteCount(format))) {
      return false;
    }
    const LevelSize next = nextLevel(level);  // sides >= 4: never the last level
    PlanarBuffer reduced;
    if (!allocatePlanar(static_cast<size_t>(next.w) * next.h, withAlpha, reduced)) {
      reportLevelOutOfMemory(number + 1, next);
      return false;
    }
    if (number == 0) {
      kernels.reduceSourceLevel(pixels, bytesPerPixel, level.w, level.h, reduced.level);
    } else {
      kernels.reducePlanarLevel(current.level, level.w, level.h, reduced.level);
    }
    current = std::move(reduced);  // releases the finished level
    level = next;
  }
}
