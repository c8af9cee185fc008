#include "run_report.h"
#include "process.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

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
  if (missingProgramsReported().insert(program).second) reportProgramNotFound(program, besideDriver);
}

static ProgramSearchPlaces searchPlaces() {
  const char* searchPath = getenv("PATH");
  return ProgramSearchPlaces{".", textFromCodePage(searchPath ? searchPath : ""), runningExecutableDirectory()};
}

ChildProgram findChildProgram(const std::string& name) {
  return ChildProgram{name, findProgram(name, hostSearchRules(), searchPlaces(), isRunnableFile)};
}

// Where `program` is, "" when it is nowhere (named on standard error the
// first time in a run). Looked up again: it may have been put in place since.
static std::string locateProgram(const ChildProgram& program) {
  if (!program.path.empty()) return program.path;
  const std::string programPath = findChildProgram(program.name).path;
  if (programPath.empty()) reportMissingProgram(program.name, runningExecutableDirectory());
  return programPath;
}

// The paths as the child will receive them, each reaching the same file
// (childReadablePath); false, with the path in `refused`, when one cannot be
// handed over exactly.
static bool handOver(std::vector<ChildArgument>& args, std::string& refused) {
  for (ChildArgument& arg : args) {
    if (!arg.isPath || childReadablePath(arg.text)) continue;
    refused = arg.text;
    return false;
  }
  return true;
}

ChildJob::ChildJob(ChildProgram program, std::vector<ChildArgument> args, const Folder* workingFolder,
                   std::string subject)
    : program_(std::move(program)), args_(std::move(args)), inFolder_(workingFolder != nullptr),
      workingFolder_(workingFolder ? *workingFolder : Folder()), subject_(std::move(subject)) {}

void ChildJob::start(const std::string& programPath, ChildOutput* captured) {
  programPath_ = programPath;
  std::vector<ChildArgument> args = args_;
  refused_ = !handOver(args, refusedPath_);
  if (refused_) return;
  commandLine_ = windowsCommandLine(args);
  // A child writing straight to the console comes after our own lines.
  if (!captured) {
    clearProgress();
    fflush(stdout);
  }
  outcome_ = startProgramAndWait(programPath, exactArgumentVector(args), commandLine_,
                                 inFolder_ ? &workingFolder_ : nullptr, captured);
}

void ChildJob::run() {
  if (program_.path.empty()) return;
  start(program_.path, &output_);
  ran_ = true;
}

int ChildJob::finish() {
  if (ran_) {
    clearProgress();
    fflush(stdout);
    passOnChildOutput(stdout, output_.out);
    passOnChildOutput(stderr, output_.err);
  } else {
    const std::string programPath = locateProgram(program_);
    if (programPath.empty()) return -1;
    start(programPath, nullptr);
  }
  return reportEnd();
}

int ChildJob::reportEnd() const {
  const std::string& program = args_.front().text;
  if (refused_) {
    reportNameNotHandedOver(program, refusedPath_, subject_);
    return -1;
  }
  if (!outcome_.started) {
    reportChildNotStarted(programPath_, outcome_.failure, subject_);
    return -1;
  }
  if (outcome_.exitStatus != 0) reportChildFailed(commandLine_, program, outcome_.exitStatus, subject_);
  return outcome_.exitStatus;
}

int runAndWait(const std::string& program, const std::vector<ChildArgument>& args, const Folder* workingFolder) {
  return ChildJob(findChildProgram(program), args, workingFolder).finish();
}
