#include "run_report.h"
#include "scratch_folder.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "common/file_names.h"
#include "diagnostics.h"
#include "files/paths.h"

constexpr char kScratchFolderName[] = ".quorvel-scratch";
constexpr char kContainerStem[] = "texture";  // the alias texture.dds, levels texture0.tga ...
constexpr char kDecodeSlotPrefix[] = "decode-";
constexpr char kModelsFolderName[] = "models";
const std::string kScratchContainerName = std::string(kContainerStem) + ".dds";
// Tessark names its levels after the container up to its first dot.
const std::string kScratchLevelZeroName = levelFileName(kContainerStem, 0);
// Folders within folders that a free area's clean-up follows at most.
constexpr int kDeepestLeftover = 16;

static bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// texture.dds, texture<digits>.tga, and the decoder's .tessark-*.tmp.
static bool isDecodeFile(const std::string& name) {
  return name == kScratchContainerName || isTessarkTemporaryName(name) || isLevelFileName(name, kContainerStem);
}

static bool listOrSay(const Folder& folder, std::vector<std::string>& names) {
  std::string why;
  if (listFolder(folder, names, why)) return true;
  reportCannotList(folder.path, why);
  return false;
}

bool emptyDecodeSlot(const Folder& slot) {
  std::vector<std::string> names;
  if (!listOrSay(slot, names)) return false;
  bool empty = true;
  for (const std::string& name : names) {
    if (!isDecodeFile(name) || !removeFileIn(slot, name)) empty = false;
  }
  return empty;
}

static void reportNotOurs(const Folder& parent, const std::string& name) { reportNotOurs(pathIn(parent.path, name)); }

// The folder `name` of an earlier version's run, holding only decode files.
static bool removeOldScratchFolder(const Folder& work, const std::string& name) {
  const EntryInfo entry = entryIn(work, name);
  Folder scratch;
  if (!entry.isLink && entry.target == EntryTarget::Directory && openFolderIn(work, name, scratch)) {
    const bool emptied = emptyDecodeSlot(scratch);
    closeFolder(scratch);
    if (emptied && removeFolderIn(work, name)) return true;
  }
  reportNotOurs(work, name);
  return false;
}

// A whole area: made by a run of ours and written only by its children.
static bool removeTree(const Folder& parent, const std::string& name, int depth) {
  Folder folder;
  if (depth > kDeepestLeftover || !openFolderIn(parent, name, folder)) return false;
  std::vector<std::string> names;
  bool removed = listOrSay(folder, names);
  for (const std::string& entryName : names) {
    const EntryInfo entry = entryIn(folder, entryName);
    const bool isFolder = !entry.isLink && entry.target == EntryTarget::Directory;
    if (!(isFolder ? removeTree(folder, entryName, depth + 1) : removeFileIn(folder, entryName))) removed = false;
  }
  closeFolder(folder);
  return removeFolderIn(parent, name) && removed;
}

// The areas of earlier runs that nobody holds any more, and what an earlier
// version left in the scratch folder. Areas still held are left alone.
static bool removeLeftovers(const Folder& scratch) {
  std::vector<std::string> names;
  if (!listOrSay(scratch, names)) return false;
  bool removed = true;
  for (const std::string& name : names) {
    const EntryInfo entry = entryIn(scratch, name);
    if (!entry.isLink && entry.target == EntryTarget::RegularFile && isDecodeFile(name)) {
      if (!removeFileIn(scratch, name)) removed = false;
      continue;
    }
    Folder area;
    if (!allDigits(name) || entry.isLink || entry.target != EntryTarget::Directory ||
        !openFolderIn(scratch, name, area)) {
      reportNotOurs(scratch, name);
      removed = false;
      continue;
    }
    const bool held = folderIsHeld(area);
    closeFolder(area);
    if (!held && !removeTree(scratch, name, 0)) {
      reportNotOurs(scratch, name);
      removed = false;
    }
  }
  return removed;
}

// ".quorvel-scratch-N": the per-decoder folders of an earlier version.
static bool removeOldScratchFolders(const Folder& work) {
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(work, names, why)) return true;  // the stages' own walks report it
  const std::string stem = std::string(kScratchFolderName) + "-";
  bool removed = true;
  for (const std::string& name : names)
    if (name.rfind(stem, 0) == 0 && allDigits(name.substr(stem.size())) && !removeOldScratchFolder(work, name))
      removed = false;
  return removed;
}

// The lowest free number: the same names, and so the same children's
// command lines, in every run that meets no leftover.
static bool makeArea(RunArea& run) {
  for (unsigned number = 1; number < 1000; ++number) {
    const std::string name = std::to_string(number);
    if (!makeFolderIn(run.scratch, name)) {
      if (entryIn(run.scratch, name).exists) continue;
      return false;
    }
    run.areaName = name;
    if (!openFolderIn(run.scratch, name, run.area)) return false;
    // Where nothing can be held (a file system without locks), a leftover
    // child of a killed run could meet a later run only in this area.
    holdFolderWithChildren(run.area);
    return true;
  }
  return false;
}

bool openRunArea(const Folder& work, RunArea& run, bool& cleanedUp) {
  cleanedUp = removeOldScratchFolders(work);
  const EntryInfo entry = entryIn(work, kScratchFolderName);
  const bool made = !entry.exists && makeFolderIn(work, kScratchFolderName);
  if ((made || (!entry.isLink && entry.target == EntryTarget::Directory)) &&
      openFolderIn(work, kScratchFolderName, run.scratch)) {
    if (!made && !removeLeftovers(run.scratch)) cleanedUp = false;
    if (makeArea(run) && makeFolderIn(run.area, kModelsFolderName) &&
        openFolderIn(run.area, kModelsFolderName, run.models))
      return true;
    closeRunArea(work, run);
  }
  reportScratchFolderNotMade(pathIn(work.path, kScratchFolderName));
  return false;
}

void closeRunArea(const Folder& work, RunArea& run) {
  closeFolder(run.models);
  closeFolder(run.area);
  if (!run.areaName.empty() && !removeTree(run.scratch, run.areaName, 0)) reportNotOurs(run.scratch, run.areaName);
  closeFolder(run.scratch);
  removeFolderIn(work, kScratchFolderName);  // stays while another run's area is in it
}

bool openDecodeSlot(const RunArea& run, size_t slot, Folder& folder) {
  const std::string name = kDecodeSlotPrefix + std::to_string(slot);
  return makeFolderIn(run.area, name) && openFolderIn(run.area, name, folder);
}
