#include "encode_through_tool.h"

#include "memory_source.h"
#include "tool/commands.h"

bool encodeThroughTool(const uint8_t* tga, size_t size, Bytes& container, bool printProgress, SimdPath path) {
  ScratchDir dir;
  const std::string source = (dir / "source.tga").string();
  writeFileBytes(source, Bytes(tga, tga + size));
  if (printProgress) {
    if (!encodeTgaFile(source, path)) return false;
    container = readFileBytes(dir / "source.dds");
    return true;
  }
  EncodedTexture texture;
  if (!readTgaFile(source, path, texture)) return false;
  container = containerBytes(texture);
  return true;
}
