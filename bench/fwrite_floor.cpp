// fwrite_floor CONTAINER: the floor for a whole-process decode. Writes files
// of exactly the sizes that `Tessark -d CONTAINER` writes (one TGA per
// level, named "<base>-floor<level>.tga"), each with one fwrite of a buffer
// filled in memory, and decodes nothing. Timed as a process beside
// `Tessark -d`, it is the cost of process start and file writing alone.
#include <cstdio>
#include <vector>

#include "natural_source.h"
#include "shared/container.h"
#include "tool/commands.h"
#include "tool/output_name.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: fwrite_floor CONTAINER\n");
    return 2;
  }
  FILE* in = fopen(argv[1], "rb");
  uint8_t headerBytes[kTextureHeaderSize];
  if (!in || fread(headerBytes, 1, sizeof headerBytes, in) != sizeof headerBytes) return 1;
  fclose(in);
  const TextureHeader header = unpackTextureHeader(headerBytes);
  const int32_t bpp = bitsPerPixel(header.format);
  const std::string base = outputBaseName(argv[1]) + "-floor";
  std::vector<uint8_t> bytes(bench::tgaFileSize(static_cast<uint32_t>(header.width),
                                         static_cast<uint32_t>(header.height), bpp), 0x5A);
  LevelSize level{static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.height)};
  for (int number = 0;; ++number, level = nextLevel(level)) {
    FILE* out = fopen((base + std::to_string(number) + ".tga").c_str(), "wb");
    if (!out) return 1;
    fwrite(bytes.data(), 1, bench::tgaFileSize(level.w, level.h, bpp), out);
    fclose(out);
    if (isLastLevel(level)) return 0;
  }
}
