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

bool openScratchFolder(const Folder& work, Folder& scratch) {
  return makeFolderIn(work, kScratchFolderName) && openFolderIn(work, kScratchFolderName, scratch);
}

static bool endsWith(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// texture.dds, texture<digits>.tga, and the decoder's .tessark-*.tmp.
static bool isOurs(const std::string& name) {
  const std::string stem = kContainerStem;
  if (name == kScratchContainerName) return true;
  if (name.rfind(".tessark-", 0) == 0 && endsWith(name, ".tmp")) return true;
  if (name.rfind(stem, 0) != 0 || !endsWith(name, ".tga")) return false;
  const std::string digits = name.substr(stem.size(), name.size() - stem.size() - 4);
  if (digits.empty()) return false;
  for (char c : digits)
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool emptyScratchFolder(const Folder& scratch) {
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(scratch, names, why)) {
    fprintf(stderr, "Quorvel: cannot list %s: %s\n", printableName(scratch.path).c_str(), why.c_str());
    return false;
  }
  bool empty = true;
  for (const std::string& name : names) {
    if (!isOurs(name) || !removeFileIn(scratch, name)) empty = false;
  }
  return empty;
}

bool removeScratchFolder(const Folder& work) {
  const EntryInfo entry = entryIn(work, kScratchFolderName);
  if (!entry.exists) return true;
  Folder scratch;
  if (!entry.isLink && entry.target == EntryTarget::Directory && openFolderIn(work, kScratchFolderName, scratch)) {
    const bool emptied = emptyScratchFolder(scratch);
    closeFolder(scratch);
    if (emptied && removeFolderIn(work, kScratchFolderName)) return true;
  }
  fprintf(stderr, "Quorvel: %s holds files that are not Quorvel's; left as it is\n",
          printableName(pathIn(work.path, kScratchFolderName)).c_str());
  return false;
}
