// POSIX runner: the test programs start the built binaries through sh with
// every argument single-quoted, so the program sees exactly the given vector.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace fs = std::filesystem;

static std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

static std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& workingDir) {
  ScratchDir capture;
  // A program that hangs is killed and fails its test instead of stopping
  // the suite (timeout's own status for a kill is 137).
  // The full path: tests may set a PATH of their own.
  std::string command = "cd " + shellQuote(workingDir.string()) + " && /usr/bin/timeout -s KILL " +
                        std::to_string(kProgramTimeLimitSeconds) + " " + shellQuote(program);
  for (const std::string& arg : args) command += " " + shellQuote(arg);
  command += " >" + shellQuote((capture / "out").string()) + " 2>" + shellQuote((capture / "err").string());
  const int status = std::system(command.c_str());
  ProgramResult result;
  result.exitStatus = status >= 0 ? (status >> 8) & 0xFF : -1;
  result.out = slurp(capture / "out");
  result.err = slurp(capture / "err");
  return result;
}

std::string programText(const std::string& text) { return text; }

bool runsOnWindows() { return false; }

std::string startedProgramName(const std::string& program) { return program; }

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

bool makeFifo(const fs::path& path) { return mkfifo(path.c_str(), 0600) == 0; }
