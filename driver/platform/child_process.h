// Starting one child program and waiting for it.
#pragma once

#include <string>
#include <vector>

#include "folder.h"

// What a child wrote, when its output is kept rather than passed through.
struct ChildOutput {
  std::string out;  // its standard output, bytes as written
  std::string err;  // its standard error
};

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
// With `captured`, the child's standard output and error are kept there
// instead of going to the driver's; several threads may then start children
// at once.
ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& argv,
                                 const std::string& commandLine, const Folder* workingFolder,
                                 ChildOutput* captured = nullptr);

// How many processors this process may use (at least 1).
unsigned usableProcessors();

// True when `path` names a file that can be started (not a directory).
bool isRunnableFile(const std::string& path);

// The directory of the running driver executable, "" when it cannot be told.
std::string runningExecutableDirectory();
