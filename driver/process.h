// Starting child programs, for every stage of the driver.
#pragma once

#include <string>
#include <vector>

#include "platform/child_process.h"
#include "files/folder.h"

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

// Finds `program` as runAndWait does; "" when it cannot be found (named on
// standard error the first time in a run by locateProgram, not at all by
// programPathOf).
std::string locateProgram(const std::string& program);
std::string programPathOf(const std::string& program);

// A child run whose output is kept, for stages that run several at once:
// what it wrote, its status (-1 when it could not be started) and the
// driver's line about it ("" when it ended with status 0).
struct CapturedRun {
  int status = -1;
  ChildOutput output;
  std::string note;
};

// Starts the program found by locateProgram and waits for it, keeping what
// it writes. Prints nothing, so several threads may run children at once.
CapturedRun runCaptured(const std::string& programPath, const std::vector<ChildArgument>& args,
                        const Folder* workingFolder);

// Writes what a captured run wrote and the driver's line about it, as a
// child writing straight to the console would have left them.
void writeCapturedRun(const CapturedRun& run);

// Starts a run: every missing program is reported again.
void resetMissingProgramReports();

// The Windows command line of `args`: paths in double quotes, joined by blanks.
std::string windowsCommandLine(const std::vector<ChildArgument>& args);
// The argument vector a POSIX child receives for `args`.
std::vector<std::string> exactArgumentVector(const std::vector<ChildArgument>& args);
