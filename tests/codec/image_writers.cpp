#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image_write.h>
#include <stb_image.h>

#include "image_writers.h"

namespace {

uint32_t crc32Of(const uint8_t* bytes, size_t size, uint32_t crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

void putBe32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(Bytes& png, const char* type, const Bytes& data) {
  putBe32(png, static_cast<uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  putBe32(png, crc32Of(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}

void appendBytes(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

}  // namespace

Bytes pngFile(uint32_t width, uint32_t height, uint8_t colourType, uint8_t bitDepth, const std::vector<Bytes>& rows,
              const Bytes& palette, const Bytes& transparency) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  putBe32(header, width);
  putBe32(header, height);
  header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
  putChunk(png, "IHDR", header);
  if (!palette.empty()) putChunk(png, "PLTE", palette);
  if (!transparency.empty()) putChunk(png, "tRNS", transparency);
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), row.begin(), row.end());
  }
  int size = 0;
  unsigned char* packed = stbi_zlib_compress(raw.data(), static_cast<int>(raw.size()), &size, 8);
  putChunk(png, "IDAT", Bytes(packed, packed + size));
  STBIW_FREE(packed);
  putChunk(png, "IEND", {});
  return png;
}

Bytes jpegFile(uint32_t width, uint32_t height, const Bytes& rgb) {
  Bytes jpeg;
  stbi_write_jpg_to_func(appendBytes, &jpeg, static_cast<int>(width), static_cast<int>(height), 3, rgb.data(), 90);
  return jpeg;
}

Bytes decodedJpeg(const Bytes& jpeg) {
  int w = 0, h = 0, n = 0;
  unsigned char* rgb = stbi_load_from_memory(jpeg.data(), static_cast<int>(jpeg.size()), &w, &h, &n, 3);
  if (!rgb) return {};
  Bytes out(rgb, rgb + static_cast<size_t>(w) * h * 3);
  stbi_image_free(rgb);
  return out;
}
