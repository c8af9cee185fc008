// Tessark -d: a container file becomes one TGA file per level beside it.
#include <string>
#include <vector>

#include "common/file_names.h"
#include "decode/dds_decoder.h"
#include "decode/decoder.h"
#include "files/regular_file.h"
#include "tool/commands.h"
#include "tool/input_file.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/output_name.h"

namespace {

struct LevelFiles {
  std::string baseName;
  OutputFile current;
};

void announceHeader(void*, const TextureHeader& header) { printContainerHeader(header); }

void announceDecodingLevel(void*, int number) { printDecodingLevel(number); }

bool openLevel(void* context, int number) {
  auto* files = static_cast<LevelFiles*>(context);
  return createOutputFile(levelFileName(files->baseName, number), files->current);
}

bool writeLevel(void* context, const uint8_t* bytes, size_t size) {
  FILE* stream = static_cast<LevelFiles*>(context)->current.stream;
  return fwrite(bytes, 1, size, stream) == size;
}

bool closeLevel(void* context, bool complete) {
  OutputFile& file = static_cast<LevelFiles*>(context)->current;
  if (complete) return commitOutputFile(file);
  discardOutputFile(file);
  return true;
}

}  // namespace

bool decodeContainerFile(const std::string& path, SimdPath simdPath) {
  FILE* in = nullptr;
  uint64_t size = 0;
  switch (openRegularFile(path, in, size)) {
    case InputOpenResult::CannotOpen: reportContainerNotOpened(path); return false;
    case InputOpenResult::NotRegularFile: reportContainerNotRegular(path); return false;
    case InputOpenResult::Opened: break;
  }
  std::vector<uint8_t> data;
  const bool read = readWholeFile(in, size, data);
  fclose(in);
  if (!read) {
    reportContainerNotRead(path);
    return false;
  }
  if (hasDdsMagic(data.data(), data.size())) return decodeDdsBytes(data.data(), data.size(), path, outputBaseName(path));
  return decodeContainerBytes(data.data(), data.size(), outputBaseName(path), simdPath);
}

bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName, SimdPath simdPath) {
  LevelFiles files{baseName, {}};
  const TgaFileSink sink{announceHeader, announceDecodingLevel, openLevel, writeLevel, closeLevel, &files};
  const DecodeResult result = decodeContainer(data, size, simdPath, sink);
  if (result.status != DecodeStatus::Decoded) {
    reportDecodeFailure(result, baseName);
    return false;
  }
  printTrailingBytes(data + result.trailingOffset, size - result.trailingOffset);
  return true;
}

bool decodeDdsBytes(const uint8_t* data, size_t size, const std::string& path, const std::string& baseName) {
  const DdsHeaderResult header = readDdsHeader(data, size);
  if (!header.accepted) {
    reportDdsRefused(path, header.found);
    return false;
  }
  printDdsHeader(header.texture);
  LevelFiles files{baseName, {}};
  const TgaFileSink sink{nullptr, announceDecodingLevel, openLevel, writeLevel, closeLevel, &files};
  const DecodeResult result = decodeDdsTexture(data, size, header.texture, sink);
  if (result.status != DecodeStatus::Decoded) {
    reportDecodeFailure(result, baseName);
    return false;
  }
  return true;
}
