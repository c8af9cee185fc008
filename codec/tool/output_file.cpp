#include "tool/output_file.h"

#include "common/file_names.h"
#include "files/interrupt_cleanup.h"
#include "files/paths.h"
#include "files/this_process.h"
#include "files/vanishing_file.h"

// Names taken by another run or a leftover are skipped; this many attempts
// is far beyond any real collision.
constexpr unsigned kCreateAttempts = 1000;

static bool createTemporary(OutputFile& file) {
  static unsigned counter = 0;
  for (unsigned attempt = 0; attempt < kCreateAttempts; ++attempt) {
    file.temporaryName = tessarkTemporaryName(currentProcessId(), counter++);
    CreateResult created = createVanishingFileIn(file.folder, file.temporaryName, file.stream);
    file.vanishing = created == CreateResult::Created;
    if (created == CreateResult::Unsupported) {
      created = createFileIn(file.folder, file.temporaryName, FileMode::Binary, file.stream);
      if (created == CreateResult::Created) removeIfInterrupted(file.folder, file.temporaryName);
    }
    switch (created) {
      case CreateResult::Created: return true;
      case CreateResult::NameTaken: continue;
      case CreateResult::Failed:
      case CreateResult::Unsupported: return false;
    }
  }
  return false;
}

bool createOutputFile(const std::string& finalPath, OutputFile& file) {
  std::string folderPath;
  file = OutputFile();
  splitPath(finalPath, folderPath, file.finalName);
  std::string why;
  if (!openFolder(folderPath, file.folder, why)) return false;
  // A directory of that name could never be replaced: say so before any work.
  if (!isDirectoryIn(file.folder, file.finalName) && createTemporary(file)) return true;
  closeFolder(file.folder);
  return false;
}

// Not synced to disk: that guards against power loss, not against a killed
// process, and costs 15-20 % on large textures and nearly doubles the time of
// small ones.
bool commitOutputFile(OutputFile& file) {
  if (file.vanishing) {
    const bool kept = keepVanishingFileIn(file.folder, file.stream, file.temporaryName, file.finalName);
    closeFolder(file.folder);
    return kept;
  }
  const bool flushed = fflush(file.stream) == 0;
  const bool closed = fclose(file.stream) == 0;
  file.stream = nullptr;
  const bool committed =
      flushed && closed && renameReplacingIn(file.folder, file.temporaryName, file.folder, file.finalName);
  if (!committed) removeFileIn(file.folder, file.temporaryName);
  forgetInterruptRemoval();
  closeFolder(file.folder);
  return committed;
}

void discardOutputFile(OutputFile& file) {
  if (file.vanishing) {
    dropVanishingFile(file.stream);
  } else {
    if (file.stream) fclose(file.stream);
    file.stream = nullptr;
    removeFileIn(file.folder, file.temporaryName);
    forgetInterruptRemoval();
  }
  closeFolder(file.folder);
}
