#include "program_search.h"

ProgramSearchRules windowsSearchRules() { return {"\\/", true, ';', '\\', {".com", ".exe", ".bat", ".cmd"}}; }

ProgramSearchRules posixSearchRules() { return {"/", false, ':', '/', {}}; }

static bool namesAPath(const std::string& name, const ProgramSearchRules& rules) {
  if (name.find_first_of(rules.directorySeparators) != std::string::npos) return true;
  return rules.driveColonIsPath && name.find(':') != std::string::npos;
}

static bool hasExtension(const std::string& name, const ProgramSearchRules& rules) {
  const size_t lastSeparator = name.find_last_of(rules.directorySeparators);
  const size_t nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  return name.find('.', nameStart) != std::string::npos;
}

static void addWithExtensions(const std::string& path, const ProgramSearchRules& rules,
                              std::vector<std::string>& candidates) {
  if (rules.executableExtensions.empty() || hasExtension(path, rules)) {
    candidates.push_back(path);
    return;
  }
  for (const std::string& extension : rules.executableExtensions) candidates.push_back(path + extension);
}

static std::string inDirectory(const std::string& directory, const std::string& name,
                               const ProgramSearchRules& rules) {
  const bool endsInSeparator = rules.directorySeparators.find(directory.back()) != std::string::npos;
  return endsInSeparator ? directory + name : directory + rules.joinSeparator + name;
}

static std::vector<std::string> searchPathEntries(const std::string& searchPath, char separator) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (;;) {
    const size_t end = searchPath.find(separator, start);
    const std::string entry = searchPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // An empty entry names nothing; the current directory is tried first anyway.
    if (!entry.empty()) entries.push_back(entry);
    if (end == std::string::npos) return entries;
    start = end + 1;
  }
}

std::vector<std::string> programCandidates(const std::string& name, const ProgramSearchRules& rules,
                                           const ProgramSearchPlaces& places) {
  std::vector<std::string> candidates;
  if (name.empty()) return candidates;
  if (namesAPath(name, rules)) {
    addWithExtensions(name, rules, candidates);
    return candidates;
  }
  std::vector<std::string> directories{places.currentDirectory};
  for (const std::string& entry : searchPathEntries(places.searchPath, rules.pathListSeparator))
    directories.push_back(entry);
  directories.push_back(places.executableDirectory);
  for (const std::string& directory : directories)
    if (!directory.empty()) addWithExtensions(inDirectory(directory, name, rules), rules, candidates);
  return candidates;
}

std::string findProgram(const std::string& name, const ProgramSearchRules& rules,
                        const ProgramSearchPlaces& places, bool (*isRunnable)(const std::string& path)) {
  for (const std::string& candidate : programCandidates(name, rules, places))
    if (isRunnable(candidate)) return candidate;
  return "";
}
