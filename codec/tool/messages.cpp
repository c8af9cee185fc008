#include "tool/messages.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "common/file_names.h"
#include "files/program_text.h"
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

// --help: the usage text, then what a user reaches for next; the manual
// page stays the full reference.
void printHelp() {
  printUsage();
  printf("Options:\n");
  printf("\t-d FILE     decode FILE (a container or a standard DDS texture) into NAME0.tga, NAME1.tga, ...\n");
  printf("\t-e FILE     encode FILE (a TGA, PNG or JPEG image) into NAME.dds with every mip level\n");
  printf("\t            (NAME: FILE up to the first dot of its file name)\n");
  printf("\t-? or -h    the usage text alone; --help this text; --version the version\n");
  printf("Environment:\n");
  printf("\tTESSARK_THREADS  encoding threads, a whole number of at least 1 (default: one per processor)\n");
  printf("\tTESSARK_SIMD     plain, sse2 or avx2: caps the vector path (every path writes the same bytes)\n");
  printf("Exit status: 0 done; 1 the decode or encode failed; 2 wrong arguments or TESSARK_THREADS.\n");
  printf("Full reference: man Tessark\n");
}

void printVersion() { printf("Tessark %s\n", QUORVEL_VERSION); }

void reportThreadsRefused(const char* value) {
  printf("TESSARK_THREADS is \"%s\", not a whole number of at least 1\n", value);
}

void reportWrongArgumentCount(const char* command) {
  printf("Illegal Number of Parameters for %s see help with -?\n", command);
}

void reportUnknownCommand(const char* command) { printf("Unknown Command: %s\n\n", consoleText(command).c_str()); }

void reportOutputNotCreated(const std::string& name) { printf("Failed to create output file: %s\n", consoleText(name).c_str()); }

void reportOutputNotWritten(const std::string& name) { printf("Failed to write output file: %s\n", consoleText(name).c_str()); }

void reportContainerNotOpened(const std::string& path) { printf("Failed to open Sourcefile: %s\n", consoleText(path).c_str()); }

void reportContainerNotRegular(const std::string& path) {
  printf("Sourcefile is not a regular file: %s\n", consoleText(path).c_str());
}

void reportContainerNotRead(const std::string& path) { printf("Failed to read Sourcefile: %s\n", consoleText(path).c_str()); }

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
          consoleText(path).c_str(), found.c_str());
}

// Encode sources of every kind.

static const char kAcceptedKinds[] =
    "accepted are TGA image types 1, 2, 3, 9, 10 and 11 (colour-mapped, true colour, grey; plain or run-length "
    "packed), PNG and JPEG";

static void explainSource(const std::string& path, const std::string& found, const char* accepted) {
  fprintf(stderr, "Tessark: %s: %s; %s\n", consoleText(path).c_str(), found.c_str(), accepted);
}

void explainSourceRefusal(const std::string& path, SourceRefusal refusal, uint64_t bytes) {
  switch (refusal) {
    case SourceRefusal::NotFound: explainSource(path, "cannot be opened", "give the path of a readable image file"); return;
    case SourceRefusal::NotRegular: explainSource(path, "not a regular file", "give a regular image file"); return;
    case SourceRefusal::TooShort:
      explainSource(path, std::to_string(bytes) + " bytes",
                    "a TGA needs its 18-byte header, a PNG or JPEG starts with its signature");
      return;
    case SourceRefusal::ReadFailed: explainSource(path, "a read error", "a file that can be read to its end"); return;
    case SourceRefusal::OutOfMemory: explainSource(path, "not enough memory", "free memory, or a smaller image"); return;
  }
}

static std::string tgaKindText(const TgaHeader& header) {
  const int type = header.imageType & ~8;
  const std::string packed = (header.imageType & 8) ? "run-length packed " : "";
  if (type == 1)
    return "a " + std::to_string(header.pixelDepth) + "-bit " + packed + "colour-mapped TGA with " +
           std::to_string(header.colorMapLength) + " entries of " + std::to_string(header.colorMapEntryBits) + " bits";
  if (type == 3) return "a " + std::to_string(header.pixelDepth) + "-bit " + packed + "grey TGA";
  return "a " + std::to_string(header.pixelDepth) + "-bit " + packed + "true-colour TGA";
}

static const char* tgaDepthsAccepted(const TgaHeader& header) {
  switch (header.imageType & ~8) {
    case 1: return "colour-mapped TGA has 8- or 16-bit indices into a map of 15-, 16-, 24- or 32-bit entries";
    case 3: return "grey TGA has 8 bits, or 16 with alpha";
    default: return "true-colour TGA has 15, 16, 24 or 32 bits";
  }
}

void explainTgaHeaderRefusal(const std::string& path, const TgaHeader& header, TgaHeaderProblem problem) {
  switch (problem) {
    case TgaHeaderProblem::None: return;
    case TgaHeaderProblem::ImageType:
      explainSource(path,
                    "TGA image type " + std::to_string(header.imageType) + " with colour-map type " +
                        std::to_string(header.colorMapType),
                    kAcceptedKinds);
      return;
    case TgaHeaderProblem::Depth: explainSource(path, tgaKindText(header), tgaDepthsAccepted(header)); return;
    case TgaHeaderProblem::Height:
    case TgaHeaderProblem::Width: explainSidesRefusal(path, header.width, header.height); return;
  }
}

void explainSidesRefusal(const std::string& path, uint32_t width, uint32_t height) {
  const bool sideOfOne = width == 1 || height == 1;
  explainSource(path, std::to_string(width) + "x" + std::to_string(height),
                sideOfOne ? "sides must be powers of two from 2 to 32768: they start at 2, not 1"
                          : "sides must be powers of two from 2 to 32768");
}

void reportPictureNotDecoded(const std::string& path, bool jpeg, const std::string& reason) {
  printf("Source %s File could not be decoded!\n", jpeg ? "JPEG" : "PNG");
  explainSource(path, std::string(jpeg ? "a damaged, cut or unsupported JPEG (" : "a damaged, cut or unsupported PNG (") + reason + ")",
                jpeg ? "a complete baseline or progressive JPEG" : "a complete PNG of any colour type and bit depth");
}

void reportSourceShort(const std::string& path, uint64_t missingPixelBytes, uint64_t pixelBytes) {
  fprintf(stderr, "Tessark: %s: %" PRIu64 " of %" PRIu64 " pixel bytes missing, encoded as 0; the source is incomplete\n",
          consoleText(path).c_str(), missingPixelBytes, pixelBytes);
}

void drawEncodeProgress(const std::string& path, unsigned percent) {
  fflush(stdout);  // the line goes below whatever came before it
  fprintf(stderr, "\rTessark: encoding %s %u%%\033[K", consoleText(path).c_str(), percent);
  fflush(stderr);
}

void clearEncodeProgress() {
  fprintf(stderr, "\r\033[K");
  fflush(stderr);
}
