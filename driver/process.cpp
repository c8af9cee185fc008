#include "run_report.h"
#include "process.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "command_line.h"
#include "diagnostics.h"
#include "platform/child_process.h"
#include "files/file_ops.h"
#include "files/program_text.h"
#include "platform/host_names.h"
#include "program_search.h"

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
  printDiagnostic(
          "Quorvel: cannot find the program %s (looked in the current directory, on PATH and beside Quorvel in %s); "
          "every step that needs it fails\n",
          program.c_str(), printableName(besideDriver).c_str());
}

static ProgramSearchPlaces searchPlaces() {
  const char* searchPath = getenv("PATH");
  return ProgramSearchPlaces{".", textFromCodePage(searchPath ? searchPath : ""), runningExecutableDirectory()};
}

std::string programPathOf(const std::string& program) {
  return findProgram(program, hostSearchRules(), searchPlaces(), isRunnableFile);
}

std::string locateProgram(const std::string& program) {
  const std::string programPath = programPathOf(program);
  if (programPath.empty()) reportMissingProgram(program, runningExecutableDirectory());
  return programPath;
}

// The driver's line about a child that did not end well, or "".
static std::string noteAbout(const std::string& programPath, const std::string& commandLine,
                             const ChildOutcome& outcome) {
  if (!outcome.started) return "Quorvel: cannot start the program " + programPath + ": " + outcome.failure + "\n";
  if (outcome.exitStatus == 0) return "";
  return "Quorvel: " + printableName(commandLine) + " ended with exit status " + std::to_string(outcome.exitStatus) +
         "\n";
}

static int statusOf(const ChildOutcome& outcome) { return outcome.started ? outcome.exitStatus : -1; }

// The paths as the child will receive them, each reaching the same file
// (childReadablePath); false, with the driver's line in `note`, when one
// cannot be handed over exactly.
static bool handOver(std::vector<ChildArgument>& args, std::string& note) {
  for (ChildArgument& arg : args) {
    if (!arg.isPath || childReadablePath(arg.text)) continue;
    note = "Quorvel: not starting " + args.front().text + " on " + printableName(arg.text) +
           ": it would receive that name as another one (the name does not survive the ANSI code page and has no "
           "short name); rename it\n";
    return false;
  }
  return true;
}

int runAndWait(const std::string& program, const std::vector<ChildArgument>& given, const Folder* workingFolder) {
  const std::string programPath = locateProgram(program);
  if (programPath.empty()) return -1;
  std::vector<ChildArgument> args = given;
  std::string refusal;
  if (!handOver(args, refusal)) {
    printDiagnostic("%s", refusal.c_str());
    return -1;
  }
  // The child writes straight to the same console: our own lines go first.
  clearProgress();
  fflush(stdout);
  const std::string commandLine = windowsCommandLine(args);
  const ChildOutcome outcome = startProgramAndWait(programPath, exactArgumentVector(args), commandLine, workingFolder);
  const std::string note = noteAbout(programPath, commandLine, outcome);
  if (!note.empty()) printDiagnostic("%s", note.c_str());
  return statusOf(outcome);
}

CapturedRun runCaptured(const std::string& programPath, const std::vector<ChildArgument>& given,
                        const Folder* workingFolder) {
  CapturedRun run;
  std::vector<ChildArgument> args = given;
  if (!handOver(args, run.note)) return run;
  const std::string commandLine = windowsCommandLine(args);
  const ChildOutcome outcome =
      startProgramAndWait(programPath, exactArgumentVector(args), commandLine, workingFolder, &run.output);
  run.status = statusOf(outcome);
  run.note = noteAbout(programPath, commandLine, outcome);
  return run;
}

void writeCapturedRun(const CapturedRun& run) {
  clearProgress();
  fflush(stdout);
  passOnChildOutput(stdout, run.output.out);
  passOnChildOutput(stderr, run.output.err);
  if (!run.note.empty()) printDiagnostic("%s", run.note.c_str());
}
