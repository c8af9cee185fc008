#include "run_report.h"
#include "scratch_folder.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "diagnostics.h"
#include "work_paths.h"

constexpr char kScratchFolderName[] = ".quorvel-scratch";
constexpr char kContainerStem[] = "texture";  // the alias texture.dds, levels texture0.tga ...
const char kScratchContainerName[] = "texture.dds";
const char kScratchLevelZeroName[] = "texture0.tga";

std::string scratchFolderName(size_t slot) {
  return slot == 0 ? kScratchFolderName : std::string(kScratchFolderName) + "-" + std::to_string(slot);
}

bool openScratchFolder(const Folder& work, size_t slot, Folder& scratch) {
  const std::string name = scratchFolderName(slot);
  return makeFolderIn(work, name) && openFolderIn(work, name, scratch);
}

static bool endsWith(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

static bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// texture.dds, texture<digits>.tga, and the decoder's .tessark-*.tmp.
static bool isOurs(const std::string& name) {
  const std::string stem = kContainerStem;
  if (name == kScratchContainerName) return true;
  if (name.rfind(".tessark-", 0) == 0 && endsWith(name, ".tmp")) return true;
  if (name.rfind(stem, 0) != 0 || !endsWith(name, ".tga")) return false;
  return allDigits(name.substr(stem.size(), name.size() - stem.size() - 4));
}

static bool isScratchFolderName(const std::string& name) {
  const std::string stem = std::string(kScratchFolderName) + "-";
  return name == kScratchFolderName || (name.rfind(stem, 0) == 0 && allDigits(name.substr(stem.size())));
}

bool emptyScratchFolder(const Folder& scratch) {
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(scratch, names, why)) {
    printDiagnostic("Quorvel: cannot list %s: %s\n", printableName(scratch.path).c_str(), why.c_str());
    return false;
  }
  bool empty = true;
  for (const std::string& name : names) {
    if (!isOurs(name) || !removeFileIn(scratch, name)) empty = false;
  }
  return empty;
}

bool removeScratchFolder(const Folder& work, const std::string& name) {
  const EntryInfo entry = entryIn(work, name);
  if (!entry.exists) return true;
  Folder scratch;
  if (!entry.isLink && entry.target == EntryTarget::Directory && openFolderIn(work, name, scratch)) {
    const bool emptied = emptyScratchFolder(scratch);
    closeFolder(scratch);
    if (emptied && removeFolderIn(work, name)) return true;
  }
  printDiagnostic("Quorvel: %s holds files that are not Quorvel's; left as it is\n",
          printableName(pathIn(work.path, name)).c_str());
  return false;
}

bool removeScratchFolders(const Folder& work) {
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(work, names, why)) return true;  // the stage's own walk reports it
  bool removed = true;
  for (const std::string& name : names)
    if (isScratchFolderName(name) && !removeScratchFolder(work, name)) removed = false;
  return removed;
}
