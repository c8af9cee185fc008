#include "encode/tga_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "encode/encoder.h"
#include "encode/lane_levels.h"
#include "encode/mean_alpha.h"
#include "output_messages.h"
#include "output_name.h"
#include "files/regular_file.h"
#include "output_file.h"

TgaHeader parseTgaHeader(const uint8_t bytes[kTgaHeaderSize]) {
  TgaHeader header;
  header.idLength = bytes[0];
  header.colorMapType = bytes[1];
  header.imageType = bytes[2];
  header.width = readLe16(bytes + 12);
  header.height = readLe16(bytes + 14);
  header.pixelDepth = bytes[16];
  header.descriptor = bytes[17];
  return header;
}

bool isPowerOfTwoSide(uint16_t side) {
  if (side == 0) return false;
  for (unsigned v = side; v != 2; v /= 2) {
    if (v % 2 != 0) return false;
  }
  return true;
}

const char* tgaHeaderProblem(const TgaHeader& header) {
  if (header.colorMapType != 0 || header.imageType != 2) return "Unsupported Image Source Type!\n";
  if (header.pixelDepth != 24 && header.pixelDepth != 32) return "Unsupported Image Source Bitdepth!\n";
  if (!isPowerOfTwoSide(header.height)) return "Height not Power of 2, aborting!\n";
  if (!isPowerOfTwoSide(header.width)) return "Width not Power of 2, aborting!\n";
  return nullptr;
}

static void reportSourceUnreadable() { printf("Source TGA File could not be read!\n"); }

static void printSourceRead() { printf("Sourcefile Read.\n"); }

static void reportSourceOutOfMemory(const TgaHeader& header) {
  printf("Out of memory for a %ux%u source\n", static_cast<unsigned>(header.width),
         static_cast<unsigned>(header.height));
}

static size_t pixelByteCount(const TgaHeader& header) {
  return static_cast<size_t>(header.width) * header.height * (header.pixelDepth / 8u);
}

// b * k: the exact product rounded once to float.
static float unitValue(uint8_t byte) { return static_cast<float>(byte) * kByteToUnit; }

bool convertSourcePixels(const TgaHeader& header, const uint8_t* pixelBytes, size_t available,
                         SourceImage& image) {
  image.width = header.width;
  image.height = header.height;
  image.format = header.pixelDepth == 32 ? kFormatRgba : kFormatRgb;
  image.topLeftOrigin = (header.descriptor & kTgaTopLeftOrigin) != 0;
  const size_t pixelCount = static_cast<size_t>(image.width) * image.height;
  try {
    image.colors.assign(pixelCount, FloatColor{});
    image.alphas.resize(pixelCount);
  } catch (const std::bad_alloc&) {
    reportSourceOutOfMemory(header);
    return false;
  }
  const bool hasAlpha = image.format == kFormatRgba;
  const size_t bytesPerPixel = hasAlpha ? 4 : 3;
  // Pixels the source holds in full are read in place; the rest through a
  // zeroed copy, so that bytes past the end of the file count as 0.
  const size_t wholePixels = std::min(pixelCount, available / bytesPerPixel);
  float alphaSum = 0.0f;
  for (size_t i = 0; i < pixelCount; ++i) {
    uint8_t padded[4] = {0, 0, 0, 0};
    const uint8_t* bgra = pixelBytes + i * bytesPerPixel;  // blue, green, red(, alpha)
    if (i >= wholePixels) {
      const size_t at = i * bytesPerPixel;
      if (at < available) std::memcpy(padded, bgra, available - at);
      bgra = padded;
    }
    image.colors[i] = FloatColor{unitValue(bgra[2]), unitValue(bgra[1]), unitValue(bgra[0])};
    if (hasAlpha) {
      image.alphas[i] = unitValue(bgra[3]);
      alphaSum = addAlphaToSum(alphaSum, bgra[3]);
    } else {
      image.alphas[i] = 0.0f;
      alphaSum += 1.0f;
    }
  }
  image.meanAlpha = alphaSum / static_cast<float>(pixelCount);
  return true;
}

const LaneKernels* sourceLaneKernels(const TgaHeader& header, SimdPath path) {
  if (header.width < 4 || header.height < 4) return nullptr;
  return laneKernelsFor(path);
}

// The lane path reads the pixels row by row from a source in memory ...
struct MemoryPixels {
  const uint8_t* bytes;
  size_t available;
};

static const uint8_t* readMemoryPixels(void* context, size_t offset, size_t size, uint8_t* scratch) {
  const auto* memory = static_cast<const MemoryPixels*>(context);
  if (offset + size <= memory->available) return memory->bytes + offset;
  const size_t held = offset < memory->available ? memory->available - offset : 0;
  if (held > 0) std::memcpy(scratch, memory->bytes + offset, held);
  std::memset(scratch + held, 0, size - held);  // bytes past the end of the file count as 0
  return scratch;
}

// ... or from the file, in order.
static const uint8_t* readFilePixels(void* context, size_t, size_t size, uint8_t* scratch) {
  FILE* in = static_cast<FILE*>(context);
  const size_t got = fread(scratch, 1, size, in);
  if (ferror(in)) {
    reportSourceUnreadable();
    return nullptr;
  }
  std::memset(scratch + got, 0, size - got);
  return scratch;
}

static bool encodeWithLanes(const LaneKernels& kernels, const TgaHeader& header, const PixelRows& rows,
                            SourceImage& image) {
  image.width = header.width;
  image.height = header.height;
  image.format = header.pixelDepth == 32 ? kFormatRgba : kFormatRgb;
  image.topLeftOrigin = (header.descriptor & kTgaTopLeftOrigin) != 0;
  switch (encodeLaneChain(kernels, image.width, image.height, image.format, image.topLeftOrigin, rows, image.lanes)) {
    case LaneChainResult::ReadFailed: return false;
    case LaneChainResult::OutOfMemory: reportSourceOutOfMemory(header); return false;
    case LaneChainResult::Done: break;
  }
  image.meanAlpha = image.lanes.meanAlpha;
  image.encodedByLanes = true;
  return true;
}

// Every level into the sink: the plain loop over the level-0 arrays, or the
// lane chain already encoded.
static bool encodeSourceLevels(const LevelSink& sink, SourceImage& image) {
  if (image.encodedByLanes) return writeLaneChain(sink, image.format, image.topLeftOrigin, image.lanes);
  return encodeLevels(sink, image.width, image.height, image.format, image.topLeftOrigin,
                      std::move(image.colors), std::move(image.alphas));
}

TextureHeader sourceTextureHeader(const SourceImage& image) {
  TextureHeader header;
  header.width = static_cast<int32_t>(image.width);
  header.height = static_cast<int32_t>(image.height);
  header.format = image.format;
  const uint32_t pixels = image.width * image.height;
  header.compressedSize = static_cast<int32_t>(image.format == kFormatRgba ? pixels : pixels / 2);
  header.meanAlpha = image.meanAlpha;
  return header;
}

// Header checks on the first `got` bytes of a source; prints why it fails.
static bool readCheckedHeader(const uint8_t* bytes, size_t got, TgaHeader& header) {
  if (got < kTgaHeaderSize) {
    printf("Source TGA File too short: %zu bytes, a header needs %zu\n", got, kTgaHeaderSize);
    return false;
  }
  header = parseTgaHeader(bytes);
  if (const char* problem = tgaHeaderProblem(header)) {
    printf("%s", problem);
    return false;
  }
  return true;
}

static bool appendToVector(void* context, const uint8_t* bytes, size_t size) {
  auto* container = static_cast<std::vector<uint8_t>*>(context);
  try {
    container->insert(container->end(), bytes, bytes + size);
  } catch (const std::bad_alloc&) {
    printf("Out of memory for the container\n");
    return false;
  }
  return true;
}

bool encodeTgaBytes(const uint8_t* data, size_t size, std::vector<uint8_t>& container,
                    bool printProgress, SimdPath path) {
  TgaHeader header;
  if (!readCheckedHeader(data, size, header)) return false;
  const size_t pixelStart = std::min(size, kTgaHeaderSize + header.idLength);
  SourceImage image;
  if (const LaneKernels* kernels = sourceLaneKernels(header, path)) {
    MemoryPixels memory{data + pixelStart, size - pixelStart};
    if (!encodeWithLanes(*kernels, header, PixelRows{readMemoryPixels, &memory}, image)) return false;
  } else if (!convertSourcePixels(header, data + pixelStart, size - pixelStart, image)) {
    return false;
  }
  if (printProgress) printSourceRead();
  container.assign(kTextureHeaderSize, 0);
  packTextureHeader(sourceTextureHeader(image), container.data());
  if (!encodeSourceLevels(LevelSink{appendToVector, &container, printProgress}, image)) return false;
  if (printProgress) printEncodingFinished();
  return true;
}

bool encodeTgaBytes(const uint8_t* data, size_t size, std::vector<uint8_t>& container,
                    bool printProgress) {
  return encodeTgaBytes(data, size, container, printProgress, chosenSimdPath());
}

// Header, image ID, then the pixels: on the plain path all in one read, on
// the lane paths row by row as they are encoded.
static bool readTgaSource(FILE* in, SourceImage& image) {
  uint8_t headerBytes[kTgaHeaderSize];
  const size_t got = fread(headerBytes, 1, sizeof headerBytes, in);
  if (ferror(in)) {
    reportSourceUnreadable();
    return false;
  }
  TgaHeader header;
  if (!readCheckedHeader(headerBytes, got, header)) return false;
  uint8_t imageId[256];
  (void)!fread(imageId, 1, header.idLength, in);  // discarded; a short ID leaves no pixels
  if (const LaneKernels* kernels = sourceLaneKernels(header, chosenSimdPath())) {
    return encodeWithLanes(*kernels, header, PixelRows{readFilePixels, in}, image);
  }
  const size_t expected = pixelByteCount(header);
  // Not zeroed: only what the file holds is touched; the rest reads as 0.
  std::unique_ptr<uint8_t[]> pixelBytes(new (std::nothrow) uint8_t[expected]);
  if (!pixelBytes) {
    reportSourceOutOfMemory(header);
    return false;
  }
  const size_t available = fread(pixelBytes.get(), 1, expected, in);
  if (ferror(in)) {
    reportSourceUnreadable();
    return false;
  }
  return convertSourcePixels(header, pixelBytes.get(), available, image);
}

struct ContainerFile {
  FILE* stream;
  const std::string* name;
};

// One fwrite per level, flushed at once so that a full disk is noticed here.
static bool writeToFile(void* context, const uint8_t* bytes, size_t size) {
  auto* file = static_cast<ContainerFile*>(context);
  if (fwrite(bytes, 1, size, file->stream) == size && fflush(file->stream) == 0) return true;
  reportOutputNotWritten(*file->name);
  return false;
}

// Encodes into a temporary file that replaces the container only once
// complete: a failed or killed encode leaves any older container as it was.
static bool writeContainerFile(const std::string& name, SourceImage& image) {
  OutputFile out;
  if (!createOutputFile(name, out)) {
    reportOutputNotCreated(name);
    return false;
  }
  ContainerFile file{out.stream, &name};
  uint8_t header[kTextureHeaderSize];
  packTextureHeader(sourceTextureHeader(image), header);
  if (!writeToFile(&file, header, sizeof header) || !encodeSourceLevels(LevelSink{writeToFile, &file, true}, image)) {
    discardOutputFile(out);
    return false;
  }
  if (!commitOutputFile(out)) {
    reportOutputNotWritten(name);
    return false;
  }
  printEncodingFinished();
  return true;
}

bool encodeTexture(const std::string& sourcePath) {
  FILE* in = nullptr;
  uint64_t size = 0;
  switch (openRegularFile(sourcePath, in, size)) {
    case InputOpenResult::CannotOpen:
      printf("Source TGA File not found!\n");
      return false;
    case InputOpenResult::NotRegularFile:
      printf("Source TGA File is not a regular file!\n");
      return false;
    case InputOpenResult::Opened:
      break;
  }
  SourceImage image;
  const bool read = readTgaSource(in, image);
  fclose(in);
  if (!read) return false;
  printSourceRead();
  return writeContainerFile(outputBaseName(sourcePath) + ".dds", image);
}
