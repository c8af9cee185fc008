#include "tool/source_input.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

#include "files/console.h"
#include "files/regular_file.h"
#include "files/stream_read.h"
#include "shared/pixel_layout.h"
#include "sources/picture_file.h"
#include "sources/tga_kinds.h"
#include "tool/input_file.h"
#include "tool/messages.h"

namespace {

using Clock = std::chrono::steady_clock;

// The bytes the encoder reads, counted: how far it has got (for the
// progress line) and how many a plain source lacked.
struct WatchedSource {
  ByteSource inner;
  const std::string* path;
  uint64_t expected;  // header, image ID and pixel bytes
  uint64_t delivered = 0;
  bool terminal = false;
  bool shown = false;
  Clock::time_point started{};  // when the file was opened: a PNG or JPEG is decoded before it is read here
  Clock::time_point drawn{};
};

bool readWatched(void* context, uint8_t* out, size_t size, size_t& got) {
  auto& watched = *static_cast<WatchedSource*>(context);
  if (!watched.inner.read(watched.inner.context, out, size, got)) return false;
  watched.delivered += got;
  if (!watched.terminal) return true;
  const Clock::time_point now = Clock::now();
  if (now - watched.started < std::chrono::seconds(1) || now - watched.drawn < std::chrono::milliseconds(100))
    return true;
  watched.drawn = now;
  watched.shown = true;
  drawEncodeProgress(*watched.path, static_cast<unsigned>(std::min<uint64_t>(99, 100 * watched.delivered / watched.expected)));
  return true;
}

// Bytes already read from the front of a stream, then the rest of it.
struct ReplayedSource {
  const uint8_t* start;
  size_t size;
  ByteSource rest;
  size_t sent = 0;
};

bool readReplayed(void* context, uint8_t* out, size_t size, size_t& got) {
  auto& replayed = *static_cast<ReplayedSource*>(context);
  const size_t fromStart = std::min(size, replayed.size - replayed.sent);
  std::memcpy(out, replayed.start + replayed.sent, fromStart);
  replayed.sent += fromStart;
  size_t fromRest = 0;
  if (fromStart < size && !replayed.rest.read(replayed.rest.context, out + fromStart, size - fromStart, fromRest))
    return false;
  got = fromStart + fromRest;
  return true;
}

bool reportResult(const std::string& path, const EncodeResult& result) {
  reportEncodeFailure(result);
  if (result.status == EncodeStatus::ReadFailed) explainSourceRefusal(path, SourceRefusal::ReadFailed);
  if (result.status == EncodeStatus::OutOfMemory) explainSourceRefusal(path, SourceRefusal::OutOfMemory);
  return result.status == EncodeStatus::Encoded;
}

struct Encoding {
  const std::string& path;
  const LaneKernels& kernels;
  EncodedTexture& texture;
  unsigned threads;
  const LevelZeroProgress* progress;
  Clock::time_point started;
};

// The encoder over `source`, which holds `expected` bytes in all, watched.
bool encodeWatched(const Encoding& run, const ByteSource& source, uint64_t expected, uint64_t& delivered) {
  WatchedSource watched{source, &run.path, std::max<uint64_t>(expected, 1)};
  watched.started = run.started;
  watched.terminal = errorStreamIsTerminal();
  const EncodeResult result =
      encodeTgaSource(ByteSource{readWatched, &watched}, run.kernels, run.texture, run.threads, run.progress);
  if (watched.shown) clearEncodeProgress();
  delivered = watched.delivered;
  return reportResult(run.path, result);
}

uint64_t plainPixelBytes(uint32_t width, uint32_t height, bool withAlpha) {
  return static_cast<uint64_t>(width) * height * sourcePixelLayout(withAlpha).sourceBytesPerPixel;
}

// A plain source, or one too short for a header: streamed as always.
bool encodePlain(const Encoding& run, const uint8_t* start, size_t startSize, FILE* in, SourceShortfall& shortfall) {
  ReplayedSource replayed{start, startSize, fileByteSource(in)};
  uint64_t expected = kTgaHeaderSize, delivered = 0;
  if (startSize == kTgaHeaderSize) {
    const TgaHeader header = parseTgaHeader(start);
    shortfall.pixelBytes = static_cast<uint64_t>(header.width) * header.height * (header.pixelDepth / 8);
    expected += header.idLength + shortfall.pixelBytes;
  }
  if (!encodeWatched(run, ByteSource{readReplayed, &replayed}, expected, delivered)) {
    if (startSize < kTgaHeaderSize) explainSourceRefusal(run.path, SourceRefusal::TooShort, startSize);
    return false;
  }
  shortfall.missingPixelBytes = std::min(shortfall.pixelBytes, expected - delivered);
  return true;
}

bool encodeTgaKind(const Encoding& run, const TgaHeader& header, FILE* in, SourceShortfall& shortfall) {
  TgaKindReader reader;
  if (!startTgaKindReader(reader, fileByteSource(in), header)) {
    // Too little memory for a 64 KB buffer and a colour map, or a read error.
    reportEncodeFailure(EncodeResult{EncodeStatus::ReadFailed});
    explainSourceRefusal(run.path, SourceRefusal::ReadFailed);
    return false;
  }
  PlainTgaStream stream;
  startPlainTgaStream(stream, tgaKindPixels(reader), header.width, header.height, reader.withAlpha,
                      (header.descriptor & kTgaTopLeftOrigin) != 0);
  const uint64_t pixelBytes = plainPixelBytes(header.width, header.height, reader.withAlpha);
  uint64_t delivered = 0;
  if (!encodeWatched(run, plainTgaByteSource(stream), kTgaHeaderSize + pixelBytes, delivered)) return false;
  shortfall.missingPixelBytes = reader.missingBytes;
  shortfall.pixelBytes = static_cast<uint64_t>(header.width) * header.height * reader.storedBytes;
  return true;
}

// A side check as the plain TGA's: height first, then width.
TgaHeaderProblem sidesProblem(uint32_t width, uint32_t height) {
  if (height > 0xFFFF || !isPowerOfTwoSide(static_cast<uint16_t>(height))) return TgaHeaderProblem::Height;
  if (width > 0xFFFF || !isPowerOfTwoSide(static_cast<uint16_t>(width))) return TgaHeaderProblem::Width;
  return TgaHeaderProblem::None;
}

bool encodePicture(const Encoding& run, PictureFormat format, const uint8_t* start, size_t startSize, FILE* in,
                   uint64_t fileSize) {
  std::vector<uint8_t> bytes;
  try {
    if (static_cast<uint64_t>(static_cast<size_t>(fileSize)) != fileSize) throw std::bad_alloc();
    bytes.resize(std::max<size_t>(static_cast<size_t>(fileSize), startSize));
  } catch (const std::bad_alloc&) {
    reportEncodeFailure(EncodeResult{EncodeStatus::OutOfMemory});
    explainSourceRefusal(run.path, SourceRefusal::OutOfMemory);
    return false;
  }
  std::memcpy(bytes.data(), start, startSize);
  size_t got = 0;
  if (!readStream(in, bytes.data() + startSize, bytes.size() - startSize, got)) {
    reportEncodeFailure(EncodeResult{EncodeStatus::ReadFailed});
    explainSourceRefusal(run.path, SourceRefusal::ReadFailed);
    return false;
  }
  bytes.resize(startSize + got);
  const bool jpeg = format == PictureFormat::Jpeg;
  PictureHeader header;
  std::string reason;
  if (!readPictureHeader(bytes.data(), bytes.size(), header, reason)) {
    reportPictureNotDecoded(run.path, jpeg, reason);
    return false;
  }
  if (const TgaHeaderProblem problem = sidesProblem(header.width, header.height); problem != TgaHeaderProblem::None) {
    EncodeResult refused{EncodeStatus::HeaderRejected};
    refused.problem = problem;
    reportEncodeFailure(refused);
    explainSidesRefusal(run.path, header.width, header.height);
    return false;
  }
  DecodedPicture picture;
  if (!decodePicture(bytes.data(), bytes.size(), picture, reason)) {
    reportPictureNotDecoded(run.path, jpeg, reason);
    return false;
  }
  std::vector<uint8_t>().swap(bytes);  // the file's bytes are not needed any more
  const bool withAlpha = pictureHasAlpha(picture);
  PlainTgaStream stream;
  startPlainTgaStream(stream, picturePixels(picture), static_cast<uint16_t>(picture.width),
                      static_cast<uint16_t>(picture.height), withAlpha, true);
  uint64_t delivered = 0;
  return encodeWatched(run, plainTgaByteSource(stream),
                       kTgaHeaderSize + plainPixelBytes(picture.width, picture.height, withAlpha), delivered);
}

}  // namespace

bool readSourceFile(const std::string& path, SimdPath simdPath, EncodedTexture& texture, unsigned threads,
                    const LevelZeroProgress* progress, SourceShortfall& shortfall) {
  shortfall = SourceShortfall{};
  const Clock::time_point started = Clock::now();
  FILE* in = nullptr;
  uint64_t size = 0;
  switch (openRegularFile(path, in, size)) {
    case InputOpenResult::CannotOpen:
      reportSourceNotFound();
      explainSourceRefusal(path, SourceRefusal::NotFound);
      return false;
    case InputOpenResult::NotRegularFile:
      reportSourceNotRegular();
      explainSourceRefusal(path, SourceRefusal::NotRegular);
      return false;
    case InputOpenResult::Opened: break;
  }
  const Encoding run{path, *laneKernelsFor(simdPath), texture, threads, progress, started};
  uint8_t start[kTgaHeaderSize];
  size_t startSize = 0;
  bool encoded = false;
  if (!readStream(in, start, sizeof start, startSize)) {
    encoded = reportResult(path, EncodeResult{EncodeStatus::ReadFailed});
  } else if (const PictureFormat format = sniffPictureFormat(start, startSize); format != PictureFormat::None) {
    encoded = encodePicture(run, format, start, startSize, in, size);
  } else if (startSize < kTgaHeaderSize || isPlainTga(parseTgaHeader(start))) {
    encoded = encodePlain(run, start, startSize, in, shortfall);
  } else {
    const TgaHeader header = parseTgaHeader(start);
    const TgaHeaderProblem problem = tgaKindProblem(header);
    if (problem == TgaHeaderProblem::None) {
      encoded = encodeTgaKind(run, header, in, shortfall);
    } else {
      EncodeResult refused{EncodeStatus::HeaderRejected};
      refused.problem = problem;
      reportEncodeFailure(refused);
      explainTgaHeaderRefusal(path, header, problem);
    }
  }
  fclose(in);
  return encoded;
}
