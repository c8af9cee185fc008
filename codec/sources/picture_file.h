// PNG and JPEG sources, decoded by stb_image (its PNG and JPEG decoders
// only) from the file's bytes in memory. The sides are read from the header
// first, so nothing is decoded for a source the container cannot hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sources/plain_tga_stream.h"

enum class PictureFormat { None, Png, Jpeg };

// From the first bytes of a file: the PNG signature, or a JPEG start of
// image followed by a marker.
PictureFormat sniffPictureFormat(const uint8_t* start, size_t size);

struct PictureHeader {
  uint32_t width = 0, height = 0;
};

// False (with the decoder's reason) when the header cannot be read.
bool readPictureHeader(const uint8_t* bytes, size_t size, PictureHeader& header, std::string& reason);

struct DecodedPicture {
  uint32_t width = 0, height = 0;
  int channels = 0;  // of the decoded samples, tRNS transparency counted as alpha
  std::unique_ptr<uint8_t, void (*)(void*)> samples{nullptr, nullptr};  // 8 bits each, top row first
  size_t next = 0;  // the first pixel not yet produced
};

// The whole image: 16-bit samples keep their high byte; samples of fewer
// than 8 bits are scaled up by repeating them (grey) or index the palette.
// False with the decoder's reason for a damaged, cut or unsupported file.
bool decodePicture(const uint8_t* bytes, size_t size, DecodedPicture& picture, std::string& reason);

// Alpha in the picture: a channel of its own, or PNG transparency.
bool pictureHasAlpha(const DecodedPicture& picture);

// Its pixels as the plain TGA holds them (BGR or BGRA, top row first).
PixelProducer picturePixels(DecodedPicture& picture);
