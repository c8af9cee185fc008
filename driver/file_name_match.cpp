#include "file_name_match.h"

#include <cctype>

bool endsWithIgnoringCase(const std::string& name, const std::string& ending) {
  if (name.size() < ending.size()) return false;
  const size_t start = name.size() - ending.size();
  for (size_t i = 0; i < ending.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(name[start + i]);
    const unsigned char b = static_cast<unsigned char>(ending[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && endsWithIgnoringCase(a, b);
}
