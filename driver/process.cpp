#include "process.h"

#include <cstdio>
#include <cstdlib>

#include "command_line.h"
#include "platform/child_process.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "program_search.h"

bool fileExists(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  fclose(file);
  return true;
}

void removeIfPresent(const std::string& path) {
  if (fileExists(path)) deleteFile(path);
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

int runAndWait(const std::string& program, const std::vector<std::string>& args) {
  const char* searchPath = getenv("PATH");
  const ProgramSearchPlaces places{".", searchPath ? searchPath : "", runningExecutableDirectory()};
  const std::string programPath = findProgram(program, hostSearchRules(), places, isRunnableFile);
  if (programPath.empty()) {
    fprintf(stderr, "Quorvel: cannot find the program %s (looked in the current directory, on PATH and beside Quorvel)\n",
            program.c_str());
    return -1;
  }
  // The child writes straight to the same console: our own lines go first.
  fflush(stdout);
  const ChildOutcome outcome = startProgramAndWait(programPath, joinCommandLine(args));
  if (!outcome.started) {
    fprintf(stderr, "Quorvel: cannot start the program %s: %s\n", programPath.c_str(), outcome.failure.c_str());
    return -1;
  }
  return outcome.exitStatus;
}
