#include "shared/pixel_layout.h"

#include "shared/container.h"

PixelLayout blockPixelLayout(uint32_t blockBytes, bool withAlpha) {
  PixelLayout layout;
  layout.bitsPerPixel = blockBytes / 2;  // 16 pixels a block
  layout.blockBytes = blockBytes;
  layout.withAlpha = withAlpha;
  layout.channels = withAlpha ? 4 : 3;
  layout.tgaBytesPerPixel = layout.channels;
  return layout;
}

PixelLayout plainPixelLayout(uint32_t bitsPerPixel, bool withAlpha) {
  PixelLayout layout = blockPixelLayout(0, withAlpha);
  layout.bitsPerPixel = bitsPerPixel;
  layout.sourceBytesPerPixel = bitsPerPixel / 8;
  return layout;
}

bool isContainerFormat(int32_t format) { return format == kFormatRgb || format == kFormatRgba; }

PixelLayout containerPixelLayout(int32_t format) {
  PixelLayout layout = blockPixelLayout(2 * static_cast<uint32_t>(bitsPerPixel(format)), format == kFormatRgba);
  layout.sourceBytesPerPixel = layout.channels;  // the TGA source the container was encoded from
  return layout;
}

int32_t containerFormatForDepth(uint32_t pixelDepth) { return pixelDepth == 32 ? kFormatRgba : kFormatRgb; }

PixelLayout sourcePixelLayout(bool withAlpha) { return containerPixelLayout(withAlpha ? kFormatRgba : kFormatRgb); }

size_t tileRowBytes(const PixelLayout& layout, uint32_t width) { return static_cast<size_t>(width / 4) * layout.blockBytes; }

uint64_t levelBytes(const PixelLayout& layout, uint32_t width, uint32_t height) {
  return levelByteCount(width, height, layout.bitsPerPixel);
}
