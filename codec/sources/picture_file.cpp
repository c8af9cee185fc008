#include "sources/picture_file.h"

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

}  // namespace

PictureFormat sniffPictureFormat(const uint8_t* start, size_t size) {
  if (size >= sizeof kPngSignature && std::memcmp(start, kPngSignature, sizeof kPngSignature) == 0)
    return PictureFormat::Png;
  if (size >= 3 && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF) return PictureFormat::Jpeg;
  return PictureFormat::None;
}

bool readPictureHeader(const uint8_t* bytes, size_t size, PictureHeader& header, std::string& reason) {
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
