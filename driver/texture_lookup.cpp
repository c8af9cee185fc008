#include "texture_lookup.h"

#include <cctype>

#include "file_name_match.h"
#include "platform/host_names.h"

constexpr char kTextureExtension[] = ".tga";

std::vector<std::string> extensionSpellings(const std::string& extension) {
  std::vector<std::string> spellings{""};
  for (char c : extension) {
    std::vector<std::string> longer;
    const char lower = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const char upper = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const std::string& s : spellings) {
      longer.push_back(s + lower);
      if (upper != lower) longer.push_back(s + upper);
    }
    spellings = longer;
  }
  return spellings;
}

// The names to look at: one on a file system that ignores case.
static std::vector<std::string> textureNames(const std::string& baseName) {
  if (!fileNamesAreCaseSensitive()) return {baseName + kTextureExtension};
  std::vector<std::string> names;
  for (const std::string& spelling : extensionSpellings(kTextureExtension)) names.push_back(baseName + spelling);
  return names;
}

TextureEntry lookUpTexture(const Folder& folder, const std::string& baseName) {
  bool danglingAtName = false;
  for (const std::string& name : textureNames(baseName)) {
    const EntryInfo entry = entryIn(folder, name);
    if (!entry.exists) continue;
    if (!(entry.isLink && entry.target == EntryTarget::Missing)) return TextureEntry::Present;
    if (name == baseName + kTextureExtension) danglingAtName = true;
  }
  return danglingAtName ? TextureEntry::DanglingLinkAtName : TextureEntry::Absent;
}

bool textureFileExists(const Folder& folder, const std::string& baseName) {
  for (const std::string& name : textureNames(baseName))
    if (entryIn(folder, name).target == EntryTarget::RegularFile) return true;
  return false;
}

bool textureFileExistsIgnoringCase(const Folder& folder, const std::string& baseName) {
  if (textureFileExists(folder, baseName)) return true;
  if (!fileNamesAreCaseSensitive()) return false;  // the system has compared without case already
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(folder, names, why)) return false;
  const std::string wanted = baseName + kTextureExtension;
  for (const std::string& name : names)
    if (sameNameIgnoringCase(name, wanted) && entryIn(folder, name).target == EntryTarget::RegularFile) return true;
  return false;
}
