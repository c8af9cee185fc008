#include "tool/messages.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "shared/tga_format.h"
#include "tool/output_name.h"

void printUsage() {
  printf("Command Line Parameters:\n");
  printf("Decode:\n");
  printf("\t-d sourcefile\n");
  printf("\tGenerates a 32 bit tga from sourcefile.\n");
  printf("\texample: -d test.dds\n");
  printf("Encode:\n");
  printf("\t-e sourcefile\n");
  printf("\tGenerates a dds from the sourcefile (32bit tga).\n");
  printf("\texample: -e test.tga\n");
}

void printVersion() { printf("Tessark %s\n", QUORVEL_VERSION); }

void reportThreadsRefused(const char* value) {
  printf("TESSARK_THREADS is \"%s\", not a whole number of at least 1\n", value);
}

void reportWrongArgumentCount(const char* command) {
  printf("Illegal Number of Parameters for %s see help with -?\n", command);
}

void reportUnknownCommand(const char* command) { printf("Unknown Command: %s\n\n", command); }

void reportOutputNotCreated(const std::string& name) { printf("Failed to create output file: %s\n", name.c_str()); }

void reportOutputNotWritten(const std::string& name) { printf("Failed to write output file: %s\n", name.c_str()); }

void reportContainerNotOpened(const std::string& path) { printf("Failed to open Sourcefile: %s\n", path.c_str()); }

void reportContainerNotRegular(const std::string& path) {
  printf("Sourcefile is not a regular file: %s\n", path.c_str());
}

void reportContainerNotRead(const std::string& path) { printf("Failed to read Sourcefile: %s\n", path.c_str()); }

void printContainerHeader(const TextureHeader& header) {
  printf("Header:\n");
  printf("Width/Height: %i/%i\n", header.width, header.height);
  printf("Bits per pixel: %i\n", bitsPerPixel(header.format));
  printf("Compressed Size: %i\n", header.compressedSize);
  // A damaged header may hold a NaN; C runtimes disagree on its sign, so it
  // is spelt out to print the same everywhere.
  if (std::isnan(header.meanAlpha)) {
    printf("Mean Alpha: %s\n", std::signbit(header.meanAlpha) ? "-nan" : "nan");
  } else {
    printf("Mean Alpha: %f\n", static_cast<double>(header.meanAlpha));
  }
}

void printDecodingLevel(int number) { printf("Decoding Level %i\n", number); }

void printTrailingBytes(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) printf("%02x ", bytes[i]);
}

void reportDecodeFailure(const DecodeResult& result, const std::string& baseName) {
  switch (result.status) {
    case DecodeStatus::Decoded: return;
    case DecodeStatus::TooShort:
      printf("Container too short: %zu bytes, a header needs %zu\n", result.remaining, kTextureHeaderSize);
      return;
    case DecodeStatus::UnsupportedFormat:
      printf("Unsupported container format %i (expected 3 or 4)\n", result.header.format);
      return;
    case DecodeStatus::TooLarge:
      printf("Image too large for a TGA file: %ix%i\n", result.header.width, result.header.height);
      return;
    case DecodeStatus::Truncated:
      printf("Container truncated: level %i needs %" PRIu64 " bytes, %zu remain\n", result.level, result.needed,
             result.remaining);
      return;
    case DecodeStatus::OutOfMemory:
      printf("Out of memory for a %" PRIu32 "x%" PRIu32 " level\n", result.size.w, result.size.h);
      return;
    case DecodeStatus::NotCreated: reportOutputNotCreated(levelFileName(baseName, result.level)); return;
    case DecodeStatus::NotWritten: reportOutputNotWritten(levelFileName(baseName, result.level)); return;
  }
}

void reportSourceNotFound() { printf("Source TGA File not found!\n"); }

void reportSourceNotRegular() { printf("Source TGA File is not a regular file!\n"); }

static const char* headerProblemText(TgaHeaderProblem problem) {
  switch (problem) {
    case TgaHeaderProblem::ImageType: return "Unsupported Image Source Type!\n";
    case TgaHeaderProblem::Depth: return "Unsupported Image Source Bitdepth!\n";
    case TgaHeaderProblem::Height: return "Height not Power of 2, aborting!\n";
    case TgaHeaderProblem::Width: return "Width not Power of 2, aborting!\n";
    case TgaHeaderProblem::None: break;
  }
  return "";
}

void reportEncodeFailure(const EncodeResult& result) {
  switch (result.status) {
    case EncodeStatus::Encoded: return;
    case EncodeStatus::SourceTooShort:
      printf("Source TGA File too short: %zu bytes, a header needs %zu\n", result.headerBytes, kTgaHeaderSize);
      return;
    case EncodeStatus::HeaderRejected: printf("%s", headerProblemText(result.problem)); return;
    case EncodeStatus::ReadFailed: printf("Source TGA File could not be read!\n"); return;
    case EncodeStatus::OutOfMemory:
      printf("Out of memory for a %ux%u source\n", static_cast<unsigned>(result.width),
             static_cast<unsigned>(result.height));
      return;
  }
}

void printSourceRead() { printf("Sourcefile Read.\n"); }

void printEncodingLevel(int number, LevelSize size) {
  printf("Encoding Mip Level %i (%ix%i)\n", number, static_cast<int>(size.w), static_cast<int>(size.h));
}

void printEncodingFinished() { printf("Finished Encoding"); }

void printDdsHeader(const DdsTexture& texture) {
  printf("Header:\n");
  printf("Width/Height: %u/%u\n", static_cast<unsigned>(texture.width), static_cast<unsigned>(texture.height));
  printf("Bits per pixel: %u\n", texture.format.bitsPerPixel);
  printf("Format: %s\n", texture.format.name.c_str());
}

void reportDdsRefused(const std::string& path, const std::string& found) {
  fflush(stdout);  // keeps the order of the lines where both streams go to one place
  fprintf(stderr,
          "Tessark: %s: a DDS %s; only 2D textures in BC1, BC2, BC3, BC7 or uncompressed RGB, RGBA or luminance "
          "are decoded\n",
          path.c_str(), found.c_str());
}
