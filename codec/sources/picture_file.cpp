#include "sources/picture_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <stb_image.h>

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

int byteCount(size_t size) { return size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size); }

std::string failureReason() {
  const char* reason = stbi_failure_reason();
  return reason ? reason : "unknown error";
}

bool producePicturePixels(void* context, uint8_t* out, size_t pixels) {
  auto& picture = *static_cast<DecodedPicture*>(context);
  const int n = picture.channels;
  const uint8_t* in = picture.samples.get() + picture.next * static_cast<size_t>(n);
  const bool alpha = pictureHasAlpha(picture);
  for (size_t i = 0; i < pixels; ++i, in += n) {
    const bool grey = n <= 2;
    *out++ = grey ? in[0] : in[2];
    *out++ = grey ? in[0] : in[1];
    *out++ = in[0];
    if (alpha) *out++ = in[n - 1];
  }
  picture.next += pixels;
  return true;
}

uint32_t readBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// stb_image (as Debian ships it) trusts a JPEG's Huffman tables to hold
// at most 256 codes and writes past its tables otherwise; such a file is
// refused here, from its segments alone, before it reaches the decoder.
bool jpegHuffmanTablesFit(const uint8_t* bytes, size_t size) {
  size_t at = 2;  // after the start of image
  while (at + 4 <= size) {
    if (bytes[at] != 0xFF) {
      ++at;  // entropy-coded data (or padding) up to the next marker
      continue;
    }
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
      at += marker == 0xFF ? 1 : 2;  // fill byte, stuffed zero, or a marker without a length
      continue;
    }
    const size_t end = at + 2 + (static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
    if (marker == 0xC4) {  // define Huffman tables
      // The decoder reads bytes past the end of the file as 0.
      for (size_t table = at + 4; table < std::min(end, size);) {
        size_t codes = 0;
        for (size_t i = 1; i <= 16 && table + i < size; ++i) codes += bytes[table + i];
        if (codes > 256) return false;
        table += 17 + codes;
      }
    }
    at = end;
  }
  return true;
}

// stb_image grows its buffer to a PNG chunk's stated length before reading
// it; a chunk that claims more than the file holds is refused here, so
// that memory stays bounded by the file.
bool pngChunksFit(const uint8_t* bytes, size_t size) {
  for (size_t at = sizeof kPngSignature; at + 12 <= size;) {
    const uint64_t length = readBe32(bytes + at);
    if (length > size - at - 12) return false;
    if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
    at += 12 + static_cast<size_t>(length);
  }
  return false;  // cut before its end
}

bool passesPreChecks(const uint8_t* bytes, size_t size, std::string& reason) {
  switch (sniffPictureFormat(bytes, size)) {
    case PictureFormat::Png:
      if (pngChunksFit(bytes, size)) return true;
      reason = "a chunk longer than the file, or no end chunk";
      return false;
    case PictureFormat::Jpeg:
      if (jpegHuffmanTablesFit(bytes, size)) return true;
      reason = "a Huffman table of more than 256 codes";
      return false;
    case PictureFormat::None: return true;
  }
  return true;
}

}  // namespace

PictureFormat sniffPictureFormat(const uint8_t* start, size_t size) {
  if (size >= sizeof kPngSignature && std::memcmp(start, kPngSignature, sizeof kPngSignature) == 0)
    return PictureFormat::Png;
  if (size >= 3 && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF) return PictureFormat::Jpeg;
  return PictureFormat::None;
}

bool readPictureHeader(const uint8_t* bytes, size_t size, PictureHeader& header, std::string& reason) {
  if (!passesPreChecks(bytes, size, reason)) return false;
  int w = 0, h = 0, n = 0;
  if (!stbi_info_from_memory(bytes, byteCount(size), &w, &h, &n)) {
    reason = failureReason();
    return false;
  }
  header.width = static_cast<uint32_t>(w);
  header.height = static_cast<uint32_t>(h);
  return true;
}

bool decodePicture(const uint8_t* bytes, size_t size, DecodedPicture& picture, std::string& reason) {
  if (!passesPreChecks(bytes, size, reason)) return false;
  int w = 0, h = 0, n = 0;
  // Asking for the stored channels keeps tRNS transparency as an alpha
  // channel and leaves the rest as stored.
  stbi_uc* samples = stbi_load_from_memory(bytes, byteCount(size), &w, &h, &n, 0);
  if (!samples) {
    reason = failureReason();
    return false;
  }
  picture.samples = std::unique_ptr<uint8_t, void (*)(void*)>(samples, stbi_image_free);
  picture.width = static_cast<uint32_t>(w);
  picture.height = static_cast<uint32_t>(h);
  picture.channels = n;
  picture.next = 0;
  return true;
}

bool pictureHasAlpha(const DecodedPicture& picture) { return picture.channels == 2 || picture.channels == 4; }

PixelProducer picturePixels(DecodedPicture& picture) { return PixelProducer{producePicturePixels, &picture}; }
