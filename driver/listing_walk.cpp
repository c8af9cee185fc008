#include "platform/directory_walk.h"

#include "file_name_match.h"

bool listFilesWithExtensionFromListing(const Folder& folder, const std::string& extension,
                                       std::vector<std::string>& names, std::vector<std::string>& passedOver,
                                       std::string& why) {
  names.clear();
  passedOver.clear();
  std::vector<std::string> entries;
  if (!listFolder(folder, entries, why)) return false;
  for (const std::string& name : entries) {
    if (!endsWithIgnoringCase(name, extension)) continue;
    // Reading through a link is fine: only what it reaches counts.
    (entryIn(folder, name).target == EntryTarget::RegularFile ? names : passedOver).push_back(name);
  }
  return true;
}
