// fwrite_floor CONTAINER: the floor for a whole-process decode. Writes files
// of exactly the sizes that `Tessark -d CONTAINER` writes (one TGA per
// level, named "<base>-floor<level>.tga"), each with one fwrite of a buffer
// filled in memory, and decodes nothing. Timed as a process beside
// `Tessark -d`, it is the cost of process start and file writing alone.
// For a standard DDS texture it reads the header (and, for BC1, whose
// level files carry alpha only when a block is transparent, the whole file).
#include <cstdio>
#include <vector>

#include "decode/dds_decoder.h"

#include "natural_source.h"
#include "shared/container.h"
#include "tool/commands.h"
#include "tool/output_name.h"

// Writes one file of `bytes` bytes; false when it cannot.
static bool writeFloorFile(const std::string& name, const std::vector<uint8_t>& bytes, size_t size) {
  FILE* out = fopen(name.c_str(), "wb");
  if (!out) return false;
  fwrite(bytes.data(), 1, size, out);
  fclose(out);
  return true;
}

static int ddsFloor(const char* path, FILE* in, const std::string& base) {
  std::vector<uint8_t> file(kDdsHeaderSize + kDdsDx10HeaderSize);
  file.resize(fread(file.data(), 1, file.size(), in));
  const DdsHeaderResult header = readDdsHeader(file.data(), file.size());
  if (!header.accepted) return 1;
  // Without its levels in memory a BC1 texture counts as opaque; read them.
  bool withAlpha = ddsOutputHasAlpha(file.data(), file.size(), header.texture);
  if (header.texture.format.blocks == DdsBlocks::Bc1) {
    FILE* whole = fopen(path, "rb");
    if (!whole) return 1;
    std::vector<uint8_t> chunk(1 << 20);
    file.clear();
    for (size_t got; (got = fread(chunk.data(), 1, chunk.size(), whole)) > 0;) file.insert(file.end(), chunk.begin(), chunk.begin() + got);
    fclose(whole);
    withAlpha = ddsOutputHasAlpha(file.data(), file.size(), header.texture);
  }
  const LevelSize top = ddsLevelSize(header.texture, 0);
  std::vector<uint8_t> bytes(bench::tgaFileSize(top.w, top.h, withAlpha ? 8 : 4), 0x5A);
  for (uint32_t level = 0; level < header.texture.levels; ++level) {
    const LevelSize size = ddsLevelSize(header.texture, level);
    if (!writeFloorFile(base + std::to_string(level) + ".tga", bytes, bench::tgaFileSize(size.w, size.h, withAlpha ? 8 : 4))) return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: fwrite_floor CONTAINER\n");
    return 2;
  }
  FILE* in = fopen(argv[1], "rb");
  uint8_t headerBytes[kTextureHeaderSize];
  if (!in || fread(headerBytes, 1, sizeof headerBytes, in) != sizeof headerBytes) return 1;
  const std::string base = outputBaseName(argv[1]) + "-floor";
  if (hasDdsMagic(headerBytes, sizeof headerBytes)) {
    rewind(in);
    const int status = ddsFloor(argv[1], in, base);
    fclose(in);
    return status;
  }
  fclose(in);
  const TextureHeader header = unpackTextureHeader(headerBytes);
  const int32_t bpp = bitsPerPixel(header.format);
  std::vector<uint8_t> bytes(bench::tgaFileSize(static_cast<uint32_t>(header.width),
                                         static_cast<uint32_t>(header.height), bpp), 0x5A);
  LevelSize level{static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.height)};
  for (int number = 0;; ++number, level = nextLevel(level)) {
    if (!writeFloorFile(base + std::to_string(number) + ".tga", bytes, bench::tgaFileSize(level.w, level.h, bpp))) return 1;
    if (isLastLevel(level)) return 0;
  }
}
