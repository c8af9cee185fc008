#include "tool/output_file.h"

#include "files/new_file.h"

std::string temporaryOutputName(const std::string& finalName, unsigned long processId, unsigned counter) {
  // Both separators count on every platform, as in the output naming; a
  // drive colon ("C:rock0.tga") ends the directory part too.
  size_t directoryEnd = finalName.find_last_of("/\\");
  directoryEnd = directoryEnd == std::string::npos ? 0 : directoryEnd + 1;
  if (directoryEnd == 0 && finalName.size() >= 2 && finalName[1] == ':') directoryEnd = 2;
  return finalName.substr(0, directoryEnd) + ".tessark-" + std::to_string(processId) + "-" +
         std::to_string(counter) + ".tmp";
}

// Names taken by another run or a leftover are skipped; this many attempts
// is far beyond any real collision.
constexpr unsigned kCreateAttempts = 1000;

bool createOutputFile(const std::string& finalName, OutputFile& file) {
  // A directory of that name could never be replaced: say so before any work.
  if (isDirectoryEntry(finalName)) return false;
  static unsigned counter = 0;
  for (unsigned attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string name = temporaryOutputName(finalName, currentProcessId(), counter++);
    FILE* stream = nullptr;
    switch (createNewFile(name, FileMode::Binary, stream)) {
      case CreateResult::Created: file = OutputFile{stream, name, finalName}; return true;
      case CreateResult::NameTaken: continue;
      case CreateResult::Failed: return false;
    }
  }
  return false;
}

// Not synced to disk: that guards against power loss, not against a killed
// process, and costs 15-20 % on large textures and nearly doubles the time of
// small ones.
bool commitOutputFile(OutputFile& file) {
  const bool flushed = fflush(file.stream) == 0;
  const bool closed = fclose(file.stream) == 0;
  file.stream = nullptr;
  if (flushed && closed && renameReplacing(file.temporaryName, file.finalName)) return true;
  removeFile(file.temporaryName);
  return false;
}

void discardOutputFile(OutputFile& file) {
  if (file.stream) fclose(file.stream);
  file.stream = nullptr;
  removeFile(file.temporaryName);
}
