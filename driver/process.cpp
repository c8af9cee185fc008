#include "process.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "command_line.h"
#include "diagnostics.h"
#include "platform/child_process.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "program_search.h"

bool fileExists(const std::string& path) { return lookUpEntry(path).exists; }

ChildArgument pathArgument(const std::string& path) { return ChildArgument{path, true}; }

std::string windowsCommandLine(const std::vector<ChildArgument>& args) {
  std::vector<std::string> pieces;
  for (const ChildArgument& arg : args) pieces.push_back(arg.isPath ? "\"" + arg.text + "\"" : arg.text);
  return joinCommandLine(pieces);
}

std::vector<std::string> exactArgumentVector(const std::vector<ChildArgument>& args) {
  std::vector<std::string> argv;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].isPath || i == 0) {
      argv.push_back(args[i].text);
      continue;
    }
    // Split as an argument after the program name, as a Windows child would.
    const std::vector<std::string> pieces = splitWindowsCommandLine("x " + args[i].text);
    argv.insert(argv.end(), pieces.begin() + 1, pieces.end());
  }
  return argv;
}

// Programs already reported missing in this run: one line each is enough.
static std::set<std::string>& missingProgramsReported() {
  static std::set<std::string> reported;
  return reported;
}

void resetMissingProgramReports() { missingProgramsReported().clear(); }

static void reportMissingProgram(const std::string& program, const std::string& besideDriver) {
  if (!missingProgramsReported().insert(program).second) return;
  fprintf(stderr,
          "Quorvel: cannot find the program %s (looked in the current directory, on PATH and beside Quorvel in %s); "
          "every step that needs it fails\n",
          program.c_str(), printableName(besideDriver).c_str());
}

int runAndWait(const std::string& program, const std::vector<ChildArgument>& args, const Folder* workingFolder) {
  const char* searchPath = getenv("PATH");
  const ProgramSearchPlaces places{".", searchPath ? searchPath : "", runningExecutableDirectory()};
  const std::string programPath = findProgram(program, hostSearchRules(), places, isRunnableFile);
  if (programPath.empty()) {
    reportMissingProgram(program, places.executableDirectory);
    return -1;
  }
  // The child writes straight to the same console: our own lines go first.
  fflush(stdout);
  const std::string commandLine = windowsCommandLine(args);
  const ChildOutcome outcome = startProgramAndWait(programPath, exactArgumentVector(args), commandLine, workingFolder);
  if (!outcome.started) {
    fprintf(stderr, "Quorvel: cannot start the program %s: %s\n", programPath.c_str(), outcome.failure.c_str());
    return -1;
  }
  if (outcome.exitStatus != 0) {
    fprintf(stderr, "Quorvel: %s ended with exit status %d\n", printableName(commandLine).c_str(), outcome.exitStatus);
  }
  return outcome.exitStatus;
}
