// Tessark -e: a TGA source file becomes "<base>.dds" beside it.
#include <atomic>
#include <mutex>
#include <new>
#include <string>

#include "files/positioned_write.h"
#include "tool/commands.h"
#include "tool/input_file.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/output_name.h"
#include "tool/source_input.h"

bool readTgaFile(const std::string& path, SimdPath simdPath, EncodedTexture& texture, unsigned threads,
                 const LevelZeroProgress* progress) {
  SourceShortfall shortfall;
  return readSourceFile(path, simdPath, texture, threads, progress, shortfall);
}

namespace {

// Level 0 of a large source, written while the rest is still being encoded
// into the temporary file that becomes the container (created when the
// first stretch is ready). Whatever goes wrong here only means the container
// is written again from the start at the end, where any failure is
// reported as it would be without this.
struct EarlyLevelZero {
  const std::string* name;
  std::mutex lock;  // around the file's creation
  bool tried = false;
  bool created = false;
  OutputFile out;
  std::atomic<bool> failed{false};
};

// Called from the encoding threads, so nothing may escape it.
void storeLevelZeroStretch(void* context, const uint8_t* levelZero, size_t offset, size_t size) {
  auto* early = static_cast<EarlyLevelZero*>(context);
  {
    std::lock_guard<std::mutex> guard(early->lock);
    if (!early->tried) {
      early->tried = true;
      try {
        early->created = createOutputFile(*early->name, early->out);
      } catch (const std::bad_alloc&) {
        early->created = false;
      }
    }
  }
  if (!early->created || early->failed) return;
  if (!writeFileAt(early->out.stream, kTextureHeaderSize + offset, levelZero + offset, size)) early->failed = true;
}

// The early file, when there is one and it holds all of level 0 (InPlace).
LevelZeroBytes takeEarlyFile(EarlyLevelZero& early, OutputFile& out) {
  if (!early.created) return LevelZeroBytes::WithTheRest;
  if (early.failed) {
    discardOutputFile(early.out);
    return LevelZeroBytes::WithTheRest;
  }
  out = early.out;
  return LevelZeroBytes::InPlace;
}

struct ContainerFile {
  FILE* stream;
  const std::string* name;
  LevelZeroBytes levelZero;  // in place: the rest goes around it, each write at its offset
};

// One fwrite per level, flushed at once so that a full disk is noticed here.
bool writeToFile(void* context, uint64_t offset, const uint8_t* bytes, size_t size) {
  auto* file = static_cast<ContainerFile*>(context);
  const bool stored = file->levelZero == LevelZeroBytes::InPlace ? writeFileAt(file->stream, offset, bytes, size)
                                       : fwrite(bytes, 1, size, file->stream) == size && fflush(file->stream) == 0;
  if (stored) return true;
  reportOutputNotWritten(*file->name);
  return false;
}

void announceEncodingLevel(void*, int number, LevelSize size) { printEncodingLevel(number, size); }

// Writes into a temporary file that replaces the container only once
// complete: a failed or killed encode leaves any older container as it was.
bool writeContainerFile(const std::string& name, EncodedTexture& texture, EarlyLevelZero& early) {
  OutputFile out;
  const LevelZeroBytes levelZero = takeEarlyFile(early, out);
  if (levelZero == LevelZeroBytes::WithTheRest && !createOutputFile(name, out)) {
    reportOutputNotCreated(name);
    return false;
  }
  ContainerFile file{out.stream, &name, levelZero};
  if (!writeContainer(texture, levelZero, ContainerSink{writeToFile, announceEncodingLevel, &file})) {
    discardOutputFile(out);
    return false;
  }
  if (!commitOutputFile(out)) {
    reportOutputNotWritten(name);
    return false;
  }
  printEncodingFinished();
  return true;
}

}  // namespace

bool encodeTgaFile(const std::string& path, SimdPath simdPath, unsigned threads) {
  const std::string name = outputBaseName(path) + ".dds";
  EncodedTexture texture;
  EarlyLevelZero early;
  early.name = &name;
  const LevelZeroProgress progress{storeLevelZeroStretch, &early};
  SourceShortfall shortfall;
  if (!readSourceFile(path, simdPath, texture, threads, &progress, shortfall)) {
    if (early.created) discardOutputFile(early.out);
    return false;
  }
  printSourceRead();
  if (!writeContainerFile(name, texture, early)) return false;
  // The container holds what the source held, as always; but a cut source
  // is not a success.
  if (shortfall.missingPixelBytes == 0) return true;
  reportSourceShort(path, shortfall.missingPixelBytes, shortfall.pixelBytes);
  return false;
}
