#include "common/file_names.h"

namespace {

constexpr char kTemporaryPrefix[] = ".tessark-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr char kLevelSuffix[] = ".tga";

bool startsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

bool endsWith(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

std::string tessarkTemporaryName(unsigned long processId, unsigned counter) {
  return kTemporaryPrefix + std::to_string(processId) + "-" + std::to_string(counter) + kTemporarySuffix;
}

bool isTessarkTemporaryName(const std::string& name) {
  return startsWith(name, kTemporaryPrefix) && endsWith(name, kTemporarySuffix);
}

std::string levelFileName(const std::string& baseName, int number) {
  return baseName + std::to_string(number) + kLevelSuffix;
}

bool isLevelFileName(const std::string& name, const std::string& stem) {
  const std::string suffix = kLevelSuffix;
  if (name.size() <= stem.size() + suffix.size() || !startsWith(name, stem) || !endsWith(name, suffix)) return false;
  for (size_t i = stem.size(); i < name.size() - suffix.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}
