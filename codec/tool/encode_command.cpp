// Tessark -e: a TGA source file becomes "<base>.dds" beside it.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>

#include "files/positioned_write.h"
#include "files/this_process.h"
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

// The early file, when there is one and it holds all of level 0.
bool takeEarlyFile(EarlyLevelZero& early, OutputFile& out) {
  if (!early.created) return false;
  if (early.failed) {
    discardOutputFile(early.out);
    return false;
  }
  out = early.out;
  return true;
}

struct ContainerFile {
  FILE* stream;
  const std::string* name;
  bool levelZeroInPlace;  // then every write is positioned, level 0's skipped
  uint64_t offset;
  bool inLevelZero;
};

// One fwrite per level, flushed at once so that a full disk is noticed here.
bool writeToFile(void* context, const uint8_t* bytes, size_t size) {
  auto* file = static_cast<ContainerFile*>(context);
  bool stored = false;
  if (!file->levelZeroInPlace) stored = fwrite(bytes, 1, size, file->stream) == size && fflush(file->stream) == 0;
  else stored = file->inLevelZero || writeFileAt(file->stream, file->offset, bytes, size);
  file->offset += size;
  if (stored) return true;
  reportOutputNotWritten(*file->name);
  return false;
}

void levelStarted(void* context, int number, LevelSize size) {
  static_cast<ContainerFile*>(context)->inLevelZero = number == 0;
  printEncodingLevel(number, size);
}

// Writes into a temporary file that replaces the container only once
// complete: a failed or killed encode leaves any older container as it was.
bool writeContainerFile(const std::string& name, EncodedTexture& texture, EarlyLevelZero& early) {
  OutputFile out;
  const bool levelZeroInPlace = takeEarlyFile(early, out);
  if (!levelZeroInPlace && !createOutputFile(name, out)) {
    reportOutputNotCreated(name);
    return false;
  }
  ContainerFile file{out.stream, &name, levelZeroInPlace, 0, false};
  if (!writeContainer(texture, ContainerSink{writeToFile, levelStarted, &file})) {
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

bool encodeTgaFile(const std::string& path, unsigned threads) {
  const std::string name = outputBaseName(path) + ".dds";
  EncodedTexture texture;
  EarlyLevelZero early;
  early.name = &name;
  const LevelZeroProgress progress{storeLevelZeroStretch, &early};
  SourceShortfall shortfall;
  if (!readSourceFile(path, chosenSimdPath(), texture, threads, &progress, shortfall)) {
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

// At most this many, whatever the variable says.
constexpr unsigned long kMaxEncoderThreads = 256;

bool chooseEncoderThreads(unsigned& threads) {
  const char* text = getenv("TESSARK_THREADS");
  if (!text || !*text) {
    threads = processorsOfThisProcess();
    return true;
  }
  unsigned long value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = std::min(value * 10 + static_cast<unsigned long>(*c - '0'), kMaxEncoderThreads);
  }
  threads = static_cast<unsigned>(value);
  return value >= 1;
}
