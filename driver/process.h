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
// driver), starts it with `args` (the program name first) and waits for it,
// its output going straight to the console. Returns the child's exit status,
// or -1 when it could not be found or started. Both that failure and a
// non-zero exit status are named on standard error; a program that cannot be
// found only the first time in a run. The child works in `workingFolder`
// when one is given.
int runAndWait(const std::string& program, const std::vector<ChildArgument>& args,
               const Folder* workingFolder = nullptr);

// A child program as a stage looks it up once for all its children: its
// name (the first argument, and how lines name it) and where it was found,
// "" when it was not.
struct ChildProgram {
  std::string name;
  std::string path;
};
// Looks `name` up as runAndWait does (current directory, then PATH, then
// beside the running driver); prints nothing.
ChildProgram findChildProgram(const std::string& name);

// One start of an outside program for one item of a stage: the program as
// the stage found it, its arguments (the program name first) and the folder it works in (null: the
// driver's current directory). `run` may start it on a worker thread with
// its output kept; `finish`, on the calling thread in the item's turn,
// writes that output, or starts the program there when `run` did not, so
// the console shows what one child at a time would have left. `subject`
// names the user's file in the lines about a child whose arguments name only
// a copy of it (the decoder's), else "". A job keeps its own copy of all it
// needs, so a worker reads nothing that the calling thread may still change.
class ChildJob {
 public:
  ChildJob() = default;
  ChildJob(ChildProgram program, std::vector<ChildArgument> args, const Folder* workingFolder = nullptr,
           std::string subject = "");

  // On a worker: runs the program, keeping what it writes. Prints nothing;
  // a program that was not found is left to `finish`, which names it.
  void run();
  // The child's exit status, or -1 when it could not be found or started;
  // its output and the driver's line about it are on the console.
  int finish();

 private:
  void start(const std::string& programPath, ChildOutput* captured);
  int reportEnd() const;

  ChildProgram program_;
  std::vector<ChildArgument> args_;
  bool inFolder_ = false;
  Folder workingFolder_;  // a copy of the caller's handle, which stays open
  std::string subject_;
  // What a start left, for `finish`.
  bool ran_ = false;      // `run` started it, or refused to
  std::string programPath_;
  bool refused_ = false;  // a path would reach the child as another name: not started
  std::string refusedPath_;
  std::string commandLine_;
  ChildOutcome outcome_;
  ChildOutput output_;
};

// Starts a run: every missing program is reported again.
void resetMissingProgramReports();

// The Windows command line of `args`: paths in double quotes, joined by blanks.
std::string windowsCommandLine(const std::vector<ChildArgument>& args);
// The argument vector a POSIX child receives for `args`.
std::vector<std::string> exactArgumentVector(const std::vector<ChildArgument>& args);
