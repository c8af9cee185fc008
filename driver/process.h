// File and child-program helpers that every stage of the driver uses.
#pragma once

#include <string>
#include <vector>

#include "platform/folder.h"

// True when a directory entry of that name exists (an unreadable file or a
// dangling link included): what decides whether to decode, delete or keep.
bool fileExists(const std::string& path);

// One argument of a child. A path is quoted on the Windows command line; on
// POSIX every path reaches the child exactly, whatever characters it holds,
// and any other argument is split at blanks as a Windows child would split it.
struct ChildArgument {
  std::string text;
  bool isPath = false;
};
ChildArgument pathArgument(const std::string& path);

// Finds `program` (current directory, then PATH, then beside the running
// driver), starts it with `args` (the program name first) and waits for it.
// Returns the child's exit status, or -1 when it could not be found or
// started. Both that failure and a non-zero exit status are named on
// standard error; a program that cannot be found only the first time in a run.
// The child works in `workingFolder` when one is given.
int runAndWait(const std::string& program, const std::vector<ChildArgument>& args,
               const Folder* workingFolder = nullptr);

// Starts a run: every missing program is reported again.
void resetMissingProgramReports();

// The Windows command line of `args`: paths in double quotes, joined by blanks.
std::string windowsCommandLine(const std::vector<ChildArgument>& args);
// The argument vector a POSIX child receives for `args`.
std::vector<std::string> exactArgumentVector(const std::vector<ChildArgument>& args);
