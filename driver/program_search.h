// Where a child program is looked for: a bare name in the current directory,
// then in every directory of the search path, then beside the running driver.
// Pure: the file test and every location are passed in, so the Windows and the
// POSIX rules can both be checked anywhere.
#pragma once

#include <string>
#include <vector>

struct ProgramSearchRules {
  std::string directorySeparators;  // characters that make a name a path ("\\/" or "/")
  bool driveColonIsPath;            // "C:tool" names a path on Windows
  char pathListSeparator;           // ';' or ':' between search path entries
  char joinSeparator;               // separator put between a directory and a name
  std::vector<std::string> executableExtensions;  // tried in order on names without one
};

ProgramSearchRules windowsSearchRules();
ProgramSearchRules posixSearchRules();

struct ProgramSearchPlaces {
  std::string currentDirectory;  // "." is enough
  std::string searchPath;        // the value of PATH, possibly empty
  std::string executableDirectory;  // the running driver's own directory, possibly unknown (empty)
};

// Every file name tried for `name`, in the order they are tried.
std::vector<std::string> programCandidates(const std::string& name, const ProgramSearchRules& rules,
                                           const ProgramSearchPlaces& places);

// The first candidate for which `isRunnable` holds, or "" when there is none.
std::string findProgram(const std::string& name, const ProgramSearchRules& rules,
                        const ProgramSearchPlaces& places, bool (*isRunnable)(const std::string& path));
