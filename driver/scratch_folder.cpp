#include "scratch_folder.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "diagnostics.h"
#include "work_paths.h"
#include "platform/directory_walk.h"
#include "platform/file_ops.h"

constexpr char kScratchFolderName[] = ".quorvel-scratch";
constexpr char kContainerStem[] = "texture";  // the alias texture.dds, levels texture0.tga ...

std::string scratchFolderPath(const std::string& workDirectory) { return pathIn(workDirectory, kScratchFolderName); }

std::string scratchContainerPath(const std::string& workDirectory) {
  return pathIn(scratchFolderPath(workDirectory), std::string(kContainerStem) + ".dds");
}

std::string scratchLevelZeroPath(const std::string& workDirectory) {
  return pathIn(scratchFolderPath(workDirectory), std::string(kContainerStem) + "0.tga");
}

static bool endsWith(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// texture.dds, texture<digits>.tga, and the decoder's .tessark-*.tmp.
static bool isOurs(const std::string& name) {
  const std::string stem = kContainerStem;
  if (name == stem + ".dds") return true;
  if (name.rfind(".tessark-", 0) == 0 && endsWith(name, ".tmp")) return true;
  if (name.rfind(stem, 0) != 0 || !endsWith(name, ".tga")) return false;
  const std::string digits = name.substr(stem.size(), name.size() - stem.size() - 4);
  if (digits.empty()) return false;
  for (char c : digits)
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool emptyScratchFolder(const std::string& workDirectory) {
  const std::string folder = scratchFolderPath(workDirectory);
  std::vector<std::string> names;
  if (!listEntryNames(folder, names)) return false;
  bool empty = true;
  for (const std::string& name : names) {
    if (!isOurs(name) || !deleteFile(pathIn(folder, name))) empty = false;
  }
  return empty;
}

bool removeScratchFolder(const std::string& workDirectory) {
  const std::string folder = scratchFolderPath(workDirectory);
  const EntryInfo entry = lookUpEntry(folder);
  if (!entry.exists) return true;
  if (!entry.isLink && entry.target == EntryTarget::Directory && emptyScratchFolder(workDirectory) &&
      removeEmptyDirectory(folder))
    return true;
  fprintf(stderr, "Quorvel: %s holds files that are not Quorvel's; left as it is\n", printableName(folder).c_str());
  return false;
}
