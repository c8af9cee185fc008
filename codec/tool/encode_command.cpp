// Tessark -e: a TGA source file becomes "<base>.dds" beside it.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "files/regular_file.h"
#include "tool/commands.h"
#include "tool/input_file.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/output_name.h"

bool readTgaFile(const std::string& path, SimdPath simdPath, EncodedTexture& texture, unsigned threads) {
  FILE* in = nullptr;
  uint64_t size = 0;
  switch (openRegularFile(path, in, size)) {
    case InputOpenResult::CannotOpen: reportSourceNotFound(); return false;
    case InputOpenResult::NotRegularFile: reportSourceNotRegular(); return false;
    case InputOpenResult::Opened: break;
  }
  const EncodeResult result = encodeTgaSource(fileByteSource(in), *laneKernelsFor(simdPath), texture, threads);
  fclose(in);
  reportEncodeFailure(result);
  return result.status == EncodeStatus::Encoded;
}

namespace {

struct ContainerFile {
  FILE* stream;
  const std::string* name;
};

// One fwrite per level, flushed at once so that a full disk is noticed here.
bool writeToFile(void* context, const uint8_t* bytes, size_t size) {
  auto* file = static_cast<ContainerFile*>(context);
  if (fwrite(bytes, 1, size, file->stream) == size && fflush(file->stream) == 0) return true;
  reportOutputNotWritten(*file->name);
  return false;
}

void levelStarted(void*, int number, LevelSize size) { printEncodingLevel(number, size); }

// Writes into a temporary file that replaces the container only once
// complete: a failed or killed encode leaves any older container as it was.
bool writeContainerFile(const std::string& name, EncodedTexture& texture) {
  OutputFile out;
  if (!createOutputFile(name, out)) {
    reportOutputNotCreated(name);
    return false;
  }
  ContainerFile file{out.stream, &name};
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
  EncodedTexture texture;
  if (!readTgaFile(path, chosenSimdPath(), texture, threads)) return false;
  printSourceRead();
  return writeContainerFile(outputBaseName(path) + ".dds", texture);
}

// At most this many, whatever the variable says.
constexpr unsigned long kMaxEncoderThreads = 256;

bool chooseEncoderThreads(unsigned& threads) {
  const char* text = getenv("TESSARK_THREADS");
  if (!text || !*text) {
    threads = std::max(1u, std::thread::hardware_concurrency());
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
