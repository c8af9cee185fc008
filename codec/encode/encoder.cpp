#include "encode/encoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "encode/mean_alpha.h"
#include "encode/tile_row_crew.h"

namespace {

// Source rows read per call: whole tile rows, about 128 KB.
constexpr size_t kChunkBytes = 128 * 1024;
// Tile rows of a chunk whose level 0 is shared between threads, at least:
// enough for every thread to stay busy while the reader refills the other
// buffer.
constexpr uint32_t kSharedChunkTileRows = 32;

// Rows of one level on their way down the chain: the four-row window of a
// level with both sides >= 4 (refilled for each tile row), or every row of a
// smaller level. Planar, not initialised: the reduction (or the source)
// writes every entry before it is read.
struct RowBuffer {
  std::unique_ptr<float[]> storage;
  PlanarLevel planes{};
  uint32_t width = 0;
  uint32_t filledRows = 0;
};

bool allocateRows(uint32_t width, uint32_t rows, const PixelLayout& layout, RowBuffer& buffer) {
  const size_t count = static_cast<size_t>(width) * rows;
  buffer.storage.reset(new (std::nothrow) float[layout.channels * count]);
  if (!buffer.storage) return false;
  float* base = buffer.storage.get();
  buffer.planes = PlanarLevel{base, base + count, base + 2 * count, layout.withAlpha ? base + 3 * count : nullptr};
  buffer.width = width;
  return true;
}

// The buffer from row `row` on.
PlanarLevel rowsFrom(const RowBuffer& buffer, uint32_t row) {
  const size_t at = static_cast<size_t>(row) * buffer.width;
  const PlanarLevel& p = buffer.planes;
  return PlanarLevel{p.red + at, p.green + at, p.blue + at, p.alpha ? p.alpha + at : nullptr};
}

bool isTiled(LevelSize level) { return level.w >= 4 && level.h >= 4; }

struct ChainPass {
  const LaneKernels& kernels;
  unsigned threads;  // level 0's tile rows are encoded by this many threads at once
  const LevelZeroProgress* progress;
  bool topLeftOrigin;
  const PixelLayout& layout;
  std::vector<EncodedLevel>& levels;
  size_t tiledLevels = 0;              // levels 0 .. tiledLevels-1 have both sides >= 4
  std::vector<RowBuffer> rows;         // rows[k] feeds level k: a window while tiled, else whole
  std::vector<uint32_t> tileRowsDone;  // per tiled level, counted in stored order
};

// Where the blocks of the k-th stored tile row go: tile rows are stored
// bottom-up unless the source's origin is top-left.
uint8_t* tileRowOutput(const ChainPass& pass, size_t level, uint32_t storedTileRow) {
  const EncodedLevel& encoded = pass.levels[level];
  const uint32_t tileRows = encoded.size.h / 4;
  const uint32_t displayed = pass.topLeftOrigin ? storedTileRow : tileRows - 1 - storedTileRow;
  return encoded.bytes.get() + displayed * tileRowBytes(pass.layout, encoded.size.w);
}

// Level `level` (>= 1) has a full window: encode its tile row, reduce it into
// the next level's rows, and carry on down while windows fill.
// Four rows of level `level` (>= 1): their tile row encoded, and reduced
// into the next level's rows.
void passTileRow(ChainPass& pass, size_t level, const PlanarLevel& fourRows) {
  const uint32_t w = pass.levels[level].size.w;
  pass.kernels.encodePlanarLevel(fourRows, pass.layout, w, 4, pass.topLeftOrigin, tileRowOutput(pass, level, pass.tileRowsDone[level]++));
  RowBuffer& next = pass.rows[level + 1];
  pass.kernels.reducePlanarLevel(fourRows, pass.layout, w, 4, rowsFrom(next, next.filledRows));
  next.filledRows += 2;
}

void passWindowDown(ChainPass& pass, size_t level) {
  for (; level < pass.tiledLevels; ++level) {
    RowBuffer& window = pass.rows[level];
    if (window.filledRows < 4) return;
    passTileRow(pass, level, window.planes);
    window.filledRows = 0;
  }
}

bool allocateLevel(LevelSize size, const PixelLayout& layout, std::vector<EncodedLevel>& levels) {
  const uint64_t bytes = levelBytes(layout, size.w, size.h);
  levels.push_back(EncodedLevel{size, std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes])});
  return levels.back().bytes != nullptr;
}

// Every buffer of the chain, before any pixel is read: the levels' outputs,
// the tiled levels' four-row windows, and the whole rows of every level
// with a side below 4 (level 0 itself for such a source).
bool allocateChain(LevelSize level, ChainPass& pass) {
  const PixelLayout& layout = pass.layout;
  try {
    pass.rows.emplace_back();  // level 0 comes from the source
    for (; isTiled(level); level = nextLevel(level)) {
      if (!allocateLevel(level, layout, pass.levels)) return false;
      pass.tileRowsDone.push_back(0);
      pass.rows.emplace_back();
      const LevelSize next = nextLevel(level);
      if (!allocateRows(next.w, isTiled(next) ? 4 : next.h, layout, pass.rows.back())) return false;
    }
    pass.tiledLevels = pass.levels.size();
    if (pass.tiledLevels == 0 && !allocateRows(level.w, level.h, layout, pass.rows.back())) return false;
    for (;; level = nextLevel(level)) {
      if (!allocateLevel(level, layout, pass.levels)) return false;
      if (isLastLevel(level)) return true;
      pass.rows.emplace_back();
      if (!allocateRows(level.w / 2, level.h / 2, layout, pass.rows.back())) return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// b * k: the exact product rounded once to float, as the lane kernels convert.
float unitValue(uint8_t byte) { return static_cast<float>(byte) * kByteToUnit; }

// Source rows of a level 0 with a side below 4 into its planes.
void storeSourceRows(const uint8_t* pixels, const PixelLayout& layout, size_t firstPixel, size_t count,
                     const PlanarLevel& planes) {
  const uint32_t bytesPerPixel = layout.sourceBytesPerPixel;
  for (size_t i = 0; i < count; ++i, pixels += bytesPerPixel) {
    planes.blue[firstPixel + i] = unitValue(pixels[0]);
    planes.green[firstPixel + i] = unitValue(pixels[1]);
    planes.red[firstPixel + i] = unitValue(pixels[2]);
    if (planes.alpha) planes.alpha[firstPixel + i] = unitValue(pixels[3]);
  }
}

// One tile row of level 0 (four source rows) encoded straight from the bytes.
void encodeSourceTileRow(const ChainPass& pass, const uint8_t* fourRows, uint32_t width, uint32_t storedTileRow) {
  pass.kernels.encodeSourceLevel(fourRows, pass.layout, width, 4, pass.topLeftOrigin,
                                 tileRowOutput(pass, 0, storedTileRow));
}

// Tile rows of level 0 through the chain on this thread: encoded, then
// reduced one after the other into the window of level 1, which the later
// levels follow in order.
void passSourceRows(ChainPass& pass, const uint8_t* chunk, uint32_t width, uint32_t chunkHeight) {
  const size_t rowBytes = static_cast<size_t>(width) * pass.layout.sourceBytesPerPixel;
  for (uint32_t tile = 0; tile < chunkHeight / 4; ++tile)
    encodeSourceTileRow(pass, chunk + static_cast<size_t>(tile) * 4 * rowBytes, width, pass.tileRowsDone[0] + tile);
  pass.tileRowsDone[0] += chunkHeight / 4;
  for (uint32_t row = 0; row < chunkHeight; row += 4) {
    RowBuffer& next = pass.rows[1];
    pass.kernels.reduceSourceLevel(chunk + row * rowBytes, pass.layout, width, 4, rowsFrom(next, next.filledRows));
    next.filledRows += 2;
    passWindowDown(pass, 1);
  }
}

// The levels from the first with a side below 4 to the last, held whole:
// each encoded, then reduced into the next.
void encodeSmallLevels(ChainPass& pass) {
  for (size_t k = pass.tiledLevels; k < pass.levels.size(); ++k) {
    const LevelSize level = pass.levels[k].size;
    pass.kernels.encodeSmallLevel(pass.rows[k].planes, pass.layout, level.w, level.h, pass.topLeftOrigin,
                                  pass.levels[k].bytes.get());
    if (k + 1 < pass.levels.size())
      pass.kernels.reducePlanarLevel(pass.rows[k].planes, pass.layout, level.w, level.h, pass.rows[k + 1].planes);
  }
}

// Fills out with size bytes; what the source does not hold reads as 0.
bool readPadded(const ByteSource& source, uint8_t* out, size_t size) {
  size_t got = 0;
  if (!source.read(source.context, out, size, got)) return false;
  std::memset(out + got, 0, size - got);
  return true;
}

EncodeResult outOfMemory(const TgaHeader& header) {
  EncodeResult result;
  result.status = EncodeStatus::OutOfMemory;
  result.width = header.width;
  result.height = header.height;
  return result;
}

EncodeResult withStatus(EncodeStatus status) {
  EncodeResult result;
  result.status = status;
  return result;
}

// The header, checked, with the image ID after it skipped.
EncodeResult readHeader(const ByteSource& source, TgaHeader& header) {
  uint8_t headerBytes[kTgaHeaderSize];
  size_t got = 0;
  if (!source.read(source.context, headerBytes, sizeof headerBytes, got)) return withStatus(EncodeStatus::ReadFailed);
  if (got < kTgaHeaderSize) {
    EncodeResult result = withStatus(EncodeStatus::SourceTooShort);
    result.headerBytes = got;
    return result;
  }
  header = parseTgaHeader(headerBytes);
  if (const TgaHeaderProblem problem = tgaHeaderProblem(header); problem != TgaHeaderProblem::None) {
    EncodeResult result = withStatus(EncodeStatus::HeaderRejected);
    result.problem = problem;
    return result;
  }
  uint8_t imageId[256];  // discarded; a short ID leaves no pixels
  if (!readPadded(source, imageId, header.idLength)) return withStatus(EncodeStatus::ReadFailed);
  return withStatus(EncodeStatus::Encoded);
}

TextureHeader textureHeaderOf(const TgaHeader& source, const PixelLayout& layout) {
  TextureHeader header;
  header.width = source.width;
  header.height = source.height;
  header.format = containerFormatForDepth(source.pixelDepth);
  header.compressedSize = headerCompressedSize(source.width, source.height, static_cast<int32_t>(layout.bitsPerPixel));
  return header;
}

// Where level 0's stored tile rows [first, first + count) lie in its bytes:
// from whichever of the two ends is displayed first.
struct ByteSpan {
  size_t offset;
  size_t size;
};

ByteSpan storedTileRowsSpan(const ChainPass& pass, uint32_t first, uint32_t count) {
  const uint8_t* start = std::min(tileRowOutput(pass, 0, first), tileRowOutput(pass, 0, first + count - 1));
  return ByteSpan{static_cast<size_t>(start - pass.levels[0].bytes.get()), count * tileRowBytes(pass.layout, pass.levels[0].size.w)};
}

// Reads the source once, a chunk of whole rows at a time, into the chain on
// this thread (or into the whole rows of a level 0 with a side below 4),
// summing the alphas on the way. False on a read error.
bool passSourceAlone(const ByteSource& source, uint32_t width, uint32_t height, ChainPass& pass, AlphaSum& alphaSum) {
  const size_t rowBytes = static_cast<size_t>(width) * pass.layout.sourceBytesPerPixel;
  const uint32_t chunkRows = rowBytes * 4 >= kChunkBytes ? 4 : static_cast<uint32_t>(kChunkBytes / rowBytes) & ~3u;
  const uint32_t rowsPerChunk = std::min(chunkRows, height);
  std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[rowsPerChunk * rowBytes]);
  if (!chunk) throw std::bad_alloc();
  for (uint32_t firstRow = 0; firstRow < height; firstRow += rowsPerChunk) {
    const uint32_t chunkHeight = std::min(height - firstRow, rowsPerChunk);
    if (!readPadded(source, chunk.get(), chunkHeight * rowBytes)) return false;
    if (pass.layout.withAlpha) addAlphas(alphaSum, chunk.get(), static_cast<size_t>(chunkHeight) * width);
    if (pass.tiledLevels > 0) {
      passSourceRows(pass, chunk.get(), width, chunkHeight);
    } else {
      storeSourceRows(chunk.get(), pass.layout, static_cast<size_t>(firstRow) * width,
                      static_cast<size_t>(chunkHeight) * width, pass.rows[0].planes);
    }
  }
  return true;
}

// A chunk of source rows and the level-1 rows the crew reduces it to.
struct ChunkSlot {
  std::unique_ptr<uint8_t[]> source;
  RowBuffer levelOne;
};

// Level 1's rows of a chunk down the chain, in order, on this thread.
void passLevelOneRows(ChainPass& pass, const ChunkSlot& slot, uint32_t rows) {
  for (uint32_t row = 0; row < rows; row += 4) {
    passTileRow(pass, 1, rowsFrom(slot.levelOne, row));
    passWindowDown(pass, 2);
  }
}

// The same with a crew: this thread reads into one of two chunk slots and
// sums the alphas (which must keep their order) while the crew encodes and
// reduces the tile rows of level 0 (which need not); then this thread takes
// the chunk before down the chain from level 1 on, lending a hand to the
// crew whenever it has to wait for it. Level 1 must be tiled and every chunk
// a whole number of level-1 tile rows (so a source of at least 8 rows).
bool passSourceShared(const ByteSource& source, uint32_t width, uint32_t height, ChainPass& pass, AlphaSum& alphaSum) {
  const size_t rowBytes = static_cast<size_t>(width) * pass.layout.sourceBytesPerPixel;
  const uint32_t rowsPerChunk = std::min(std::max(kSharedChunkTileRows, 4 * pass.threads) * 4, height);
  ChunkSlot slots[2];
  for (ChunkSlot& slot : slots) {
    slot.source.reset(new (std::nothrow) uint8_t[rowsPerChunk * rowBytes]);
    if (!slot.source || !allocateRows(width / 2, rowsPerChunk / 2, pass.layout, slot.levelOne))
      throw std::bad_alloc();
  }
  TileRowCrew crew;
  crew.encode = [&](const TileRowBatch& batch, uint32_t tile) {
    const ChunkSlot& slot = batch.chunk == slots[0].source.get() ? slots[0] : slots[1];
    const uint8_t* rows = batch.chunk + static_cast<size_t>(tile) * 4 * rowBytes;
    encodeSourceTileRow(pass, rows, width, batch.firstStored + tile);
    pass.kernels.reduceSourceLevel(rows, pass.layout, width, 4, rowsFrom(slot.levelOne, 2 * tile));
  };
  if (pass.progress) {
    crew.finished = [&](const TileRowBatch& batch) {
      const ByteSpan span = storedTileRowsSpan(pass, batch.firstStored, batch.tileRows);
      pass.progress->ready(pass.progress->context, pass.levels[0].bytes.get(), span.offset, span.size);
    };
  }
  startCrew(crew, pass.threads - 1);
  CrewStop stop{crew};  // no helper outlives the slots, whatever happens
  uint64_t handedIn = 0;
  const ChunkSlot* before = nullptr;  // handed in, not yet down the chain
  uint32_t beforeLevelOneRows = 0;
  for (uint32_t firstRow = 0, k = 0; firstRow < height; firstRow += rowsPerChunk, ++k) {
    // The slot's chunk of two rounds ago went down the chain last round.
    ChunkSlot& slot = slots[k % 2];
    const uint32_t chunkHeight = std::min(height - firstRow, rowsPerChunk);
    if (!readPadded(source, slot.source.get(), chunkHeight * rowBytes)) return false;
    if (pass.layout.withAlpha) addAlphas(alphaSum, slot.source.get(), static_cast<size_t>(chunkHeight) * width);
    if (addBatch(crew, slot.source.get(), pass.tileRowsDone[0], chunkHeight / 4)) ++handedIn;
    pass.tileRowsDone[0] += chunkHeight / 4;
    if (before) {
      helpUntilRetired(crew, handedIn - 1);
      passLevelOneRows(pass, *before, beforeLevelOneRows);
    }
    before = &slot;
    beforeLevelOneRows = chunkHeight / 2;
  }
  helpUntilRetired(crew, handedIn);
  if (before) passLevelOneRows(pass, *before, beforeLevelOneRows);
  return true;
}

bool passSource(const ByteSource& source, uint32_t width, uint32_t height, ChainPass& pass, AlphaSum& alphaSum) {
  if (pass.threads > 1 && pass.tiledLevels >= 2 && height % 8 == 0)
    return passSourceShared(source, width, height, pass, alphaSum);
  return passSourceAlone(source, width, height, pass, alphaSum);
}

}  // namespace

EncodeResult encodeTgaSource(const ByteSource& source, const LaneKernels& kernels, EncodedTexture& texture,
                             unsigned threads, const LevelZeroProgress* progress) {
  TgaHeader header;
  const EncodeResult read = readHeader(source, header);
  if (read.status != EncodeStatus::Encoded) return read;
  const PixelLayout layout = containerPixelLayout(containerFormatForDepth(header.pixelDepth));
  texture.header = textureHeaderOf(header, layout);
  texture.levels.clear();
  const uint32_t width = header.width, height = header.height;
  const bool large = static_cast<uint64_t>(width) * height >= kThreadedSourcePixels;
  ChainPass pass{kernels, large ? std::max(threads, 1u) : 1u, progress, (header.descriptor & kTgaTopLeftOrigin) != 0,
                 layout, texture.levels, 0, {}, {}};
  AlphaSum alphaSum;
  try {
    if (!allocateChain(LevelSize{width, height}, pass)) return outOfMemory(header);
    if (!passSource(source, width, height, pass, alphaSum)) return withStatus(EncodeStatus::ReadFailed);
  } catch (const std::bad_alloc&) {
    return outOfMemory(header);
  }
  texture.header.meanAlpha = meanAlphaOf(alphaSum, static_cast<size_t>(width) * height, layout.sourceBytesPerPixel);
  encodeSmallLevels(pass);
  return withStatus(EncodeStatus::Encoded);
}

bool writeContainer(EncodedTexture& texture, LevelZeroBytes levelZero, const ContainerSink& sink) {
  uint8_t header[kTextureHeaderSize];
  packTextureHeader(texture.header, header);
  if (!sink.write(sink.context, 0, header, sizeof header)) return false;
  const PixelLayout layout = containerPixelLayout(texture.header.format);
  uint64_t offset = sizeof header;
  for (size_t number = 0; number < texture.levels.size(); ++number) {
    EncodedLevel& level = texture.levels[number];
    const uint64_t size = levelBytes(layout, level.size.w, level.size.h);
    if (sink.levelStarted) sink.levelStarted(sink.context, static_cast<int>(number), level.size);
    const bool inPlace = number == 0 && levelZero == LevelZeroBytes::InPlace;
    if (!inPlace && !sink.write(sink.context, offset, level.bytes.get(), size)) return false;
    offset += size;
    level.bytes.reset();
  }
  return true;
}
