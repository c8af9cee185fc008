// Starting one child program and waiting for it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "files/folder.h"

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

// Rewrites `path` into a name that a child started with a narrow command
// line receives exactly and that reaches the same file: the path itself on
// POSIX, and on Windows where it survives the ANSI code page; else its short
// (8.3) form, the last component of which may not exist yet. False when
// there is none.
bool childReadablePath(std::string& path);

// True when a child can be started inside `folder`, and so be given names
// in it: always through its handle on POSIX; on Windows while its full path
// fits a current directory (MAX_PATH), past that a child gets full paths.
bool childCanStartInside(const Folder& folder);

// Writes bytes a child wrote to `stream` exactly as the child wrote them
// (a Windows text stream would turn their CR LF into CR CR LF).
void passOnChildOutput(FILE* stream, const std::string& bytes);

// How many processors this process may use (at least 1).
unsigned usableProcessors();

// True when `path` names a file that can be started (not a directory).
bool isRunnableFile(const std::string& path);

// The directory of the running driver executable, "" when it cannot be told.
std::string runningExecutableDirectory();
