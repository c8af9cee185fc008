// Feeds arbitrary bytes to the PNG and JPEG reader (stb_image) and encodes
// what it decodes: no input may crash, overrun or hang it.
#include <cstdint>
#include <string>
#include <vector>

#include "memory_source.h"
#include "sources/picture_file.h"

// Larger pictures only repeat the same work and slow the search down.
constexpr uint32_t kMaxPixels = 1u << 16;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (sniffPictureFormat(data, size) == PictureFormat::None) return 0;
  PictureHeader header;
  std::string reason;
  if (!readPictureHeader(data, size, header, reason)) return 0;
  if (static_cast<uint64_t>(header.width) * header.height > kMaxPixels || header.width > 32768 ||
      header.height > 32768)
    return 0;
  DecodedPicture picture;
  if (!decodePicture(data, size, picture, reason)) return 0;
  if (picture.width != header.width || picture.height != header.height) __builtin_trap();
  PlainTgaStream stream;
  startPlainTgaStream(stream, picturePixels(picture), static_cast<uint16_t>(picture.width),
                      static_cast<uint16_t>(picture.height), pictureHasAlpha(picture), true);
  EncodedTexture texture;
  encodeTgaSource(plainTgaByteSource(stream), *laneKernelsFor(SimdPath::Plain), texture);
  return 0;
}
