#include "decode/memory_sink.h"

#include <utility>

namespace {

LevelFilesInMemory& levelsOf(void* context) { return *static_cast<LevelFilesInMemory*>(context); }

void keepHeader(void* context, const TextureHeader& header) {
  levelsOf(context).headerRead = true;
  levelsOf(context).header = header;
}

void levelStartsInMemory(void*, int) {}

bool openInMemory(void* context, int) {
  levelsOf(context).current.clear();
  return true;
}

bool writeInMemory(void* context, const uint8_t* bytes, size_t size) {
  std::vector<uint8_t>& current = levelsOf(context).current;
  current.insert(current.end(), bytes, bytes + size);
  return true;
}

bool closeInMemory(void* context, bool complete) {
  LevelFilesInMemory& levels = levelsOf(context);
  if (complete) levels.files.push_back(std::move(levels.current));
  levels.current.clear();
  return true;
}

}  // namespace

TgaFileSink memoryTgaFileSink(LevelFilesInMemory& levels) {
  return TgaFileSink{keepHeader, levelStartsInMemory, openInMemory, writeInMemory, closeInMemory, &levels};
}
