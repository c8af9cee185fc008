// Starting one child program and waiting for it.
#pragma once

#include <string>
#include <vector>

#include "folder.h"

struct ChildOutcome {
  bool started = false;  // false: the program could not be started at all
  int exitStatus = -1;   // the child's exit status when it was started
  std::string failure;   // why it was not started, for the user
};

// Starts the program file `programPath` with the driver's environment and
// standard streams, and waits without time-out. On Windows the child gets
// `commandLine` (the Windows form: argument 0 first, arguments joined by
// blanks, paths in double quotes) as it is; elsewhere it gets `argv` exactly,
// so no shell or quoting rule ever reads a name. The child works in
// `workingFolder` when one is given (through its handle where the system
// allows), else in the driver's current directory. A child never outlives
// the driver: it is ended when the driver ends, however the driver ends.
ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& argv,
                                 const std::string& commandLine, const Folder* workingFolder);

// True when `path` names a file that can be started (not a directory).
bool isRunnableFile(const std::string& path);

// The directory of the running driver executable, "" when it cannot be told.
std::string runningExecutableDirectory();
