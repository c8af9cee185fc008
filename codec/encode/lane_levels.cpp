#include "encode/lane_levels.h"

#include <new>
#include <utility>

namespace {

// Source rows read per call: whole tile rows, about 128 KB.
constexpr size_t kChunkBytes = 128 * 1024;

// Rows of one level on their way down the chain: the four-row window of a
// lane level (refilled for each tile row) or every row of the level after
// the last lane level. Planar, not initialised: the reduction writes every
// entry before it is read.
struct RowBuffer {
  std::unique_ptr<float[]> storage;
  PlanarLevel planes{};
  uint32_t width = 0;
  uint32_t filledRows = 0;
};

bool allocateRows(uint32_t width, uint32_t rows, bool withAlpha, RowBuffer& buffer) {
  const size_t count = static_cast<size_t>(width) * rows;
  buffer.storage.reset(new (std::nothrow) float[(withAlpha ? 4 : 3) * count]);
  if (!buffer.storage) return false;
  float* base = buffer.storage.get();
  buffer.planes = PlanarLevel{base, base + count, base + 2 * count, withAlpha ? base + 3 * count : nullptr};
  buffer.width = width;
  return true;
}

// The buffer from row `row` on.
PlanarLevel rowsFrom(const RowBuffer& buffer, uint32_t row) {
  const size_t at = static_cast<size_t>(row) * buffer.width;
  const PlanarLevel& p = buffer.planes;
  return PlanarLevel{p.red + at, p.green + at, p.blue + at, p.alpha ? p.alpha + at : nullptr};
}

struct ChainPass {
  const LaneKernels& kernels;
  bool topLeftOrigin;
  size_t blockBytes;
  LaneChain& chain;
  std::vector<RowBuffer> rows;  // rows[k] feeds level k (k >= 1); the last is the rest
  std::vector<uint32_t> tileRowsDone;  // per lane level, counted in stored order
};

// Where the blocks of the k-th stored tile row go: tile rows are stored
// bottom-up unless the source's origin is top-left.
uint8_t* tileRowOutput(const ChainPass& pass, size_t level, uint32_t storedTileRow) {
  const EncodedLevel& encoded = pass.chain.levels[level];
  const uint32_t tileRows = encoded.size.h / 4;
  const uint32_t displayed = pass.topLeftOrigin ? storedTileRow : tileRows - 1 - storedTileRow;
  return encoded.bytes.get() + static_cast<size_t>(displayed) * (encoded.size.w / 4) * pass.blockBytes;
}

// Level `level` (>= 1) has a full window: encode its tile row, reduce it into
// the next level's rows, and carry on down while windows fill.
void passWindowDown(ChainPass& pass, size_t level) {
  for (; level < pass.chain.levels.size(); ++level) {
    RowBuffer& window = pass.rows[level];
    if (window.filledRows < 4) return;
    const uint32_t w = pass.chain.levels[level].size.w;
    pass.kernels.encodePlanarLevel(window.planes, w, 4, pass.topLeftOrigin,
                                   tileRowOutput(pass, level, pass.tileRowsDone[level]++));
    RowBuffer& next = pass.rows[level + 1];
    pass.kernels.reducePlanarLevel(window.planes, w, 4, rowsFrom(next, next.filledRows));
    next.filledRows += 2;
    window.filledRows = 0;
  }
}

bool allocateChain(uint32_t width, uint32_t height, bool withAlpha, ChainPass& pass) {
  try {
    LevelSize level{width, height};
    pass.rows.emplace_back();  // level 0 comes from the source
    for (; level.w >= 4 && level.h >= 4; level = nextLevel(level)) {
      const size_t bytes = static_cast<size_t>(level.w / 4) * (level.h / 4) * pass.blockBytes;
      pass.chain.levels.push_back(EncodedLevel{level, std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes])});
      if (!pass.chain.levels.back().bytes) return false;
      pass.tileRowsDone.push_back(0);
      const LevelSize next = nextLevel(level);
      pass.rows.emplace_back();
      const bool nextIsRest = next.w < 4 || next.h < 4;
      if (!allocateRows(next.w, nextIsRest ? next.h : 4, withAlpha, pass.rows.back())) return false;
    }
    pass.chain.rest = level;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The plain loop's arrays of the rest; alphas are 0 for 24-bit sources, as
// the reader makes them.
bool takeRest(const RowBuffer& rest, LaneChain& chain) {
  const size_t count = static_cast<size_t>(chain.rest.w) * chain.rest.h;
  try {
    chain.restColors.resize(count);
    chain.restAlphas.assign(count, 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const PlanarLevel& p = rest.planes;
  for (size_t i = 0; i < count; ++i) {
    chain.restColors[i] = FloatColor{p.red[i], p.green[i], p.blue[i]};
    if (p.alpha) chain.restAlphas[i] = p.alpha[i];
  }
  return true;
}

}  // namespace

LaneChainResult encodeLaneChain(const LaneKernels& kernels, uint32_t width, uint32_t height, int32_t format,
                                bool topLeftOrigin, const PixelRows& rows, LaneChain& chain) {
  const bool withAlpha = format == kFormatRgba;
  const uint32_t bytesPerPixel = withAlpha ? 4 : 3;
  ChainPass pass{kernels, topLeftOrigin, blockByteCount(format), chain, {}, {}};
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const uint32_t chunkRows = rowBytes * 4 >= kChunkBytes ? 4 : static_cast<uint32_t>(kChunkBytes / rowBytes) & ~3u;
  const uint32_t rowsPerChunk = chunkRows < height ? chunkRows : height;
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[rowsPerChunk * rowBytes]);
  if (!scratch || !allocateChain(width, height, withAlpha, pass)) return LaneChainResult::OutOfMemory;

  AlphaSum alphaSum;
  for (uint32_t firstRow = 0; firstRow < height; firstRow += rowsPerChunk) {
    const uint32_t chunkHeight = height - firstRow < rowsPerChunk ? height - firstRow : rowsPerChunk;
    const uint8_t* chunk = rows.read(rows.context, firstRow * rowBytes, chunkHeight * rowBytes, scratch.get());
    if (!chunk) return LaneChainResult::ReadFailed;
    if (withAlpha) addAlphas(alphaSum, chunk, static_cast<size_t>(chunkHeight) * width);
    for (uint32_t row = 0; row < chunkHeight; row += 4) {
      const uint8_t* tileRow = chunk + row * rowBytes;
      kernels.encodeSourceLevel(tileRow, bytesPerPixel, width, 4, topLeftOrigin,
                                tileRowOutput(pass, 0, pass.tileRowsDone[0]++));
      RowBuffer& next = pass.rows[1];
      kernels.reduceSourceLevel(tileRow, bytesPerPixel, width, 4, rowsFrom(next, next.filledRows));
      next.filledRows += 2;
      passWindowDown(pass, 1);
    }
  }
  chain.meanAlpha = meanAlphaOf(alphaSum, static_cast<size_t>(width) * height, bytesPerPixel);
  return takeRest(pass.rows.back(), chain) ? LaneChainResult::Done : LaneChainResult::OutOfMemory;
}

bool writeLaneChain(const LevelSink& sink, int32_t format, bool topLeftOrigin, LaneChain& chain) {
  int number = 0;
  for (EncodedLevel& level : chain.levels) {
    if (sink.printProgress) printLevelLine(number, level.size);
    if (!sink.write(sink.context, level.bytes.get(), levelBlockCount(level.size.w, level.size.h) * blockByteCount(format))) {
      return false;
    }
    level.bytes.reset();
    ++number;
  }
  return encodeLevelsFrom(sink, chain.rest, number, format, topLeftOrigin, std::move(chain.restColors),
                          std::move(chain.restAlphas));
}
