// Helpers shared by the test programs: scratch directories, whole-file I/O,
// running a built program and capturing what it prints.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes);
void writeFileText(const std::filesystem::path& path, const std::string& text);
Bytes hexBytes(const std::string& hex);  // "FF 00 0a" -> {0xFF, 0x00, 0x0A}

// A fresh empty directory, removed with its contents when the object dies.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  std::vector<std::string> fileNames() const;  // sorted

 private:
  std::filesystem::path path_;
};

struct ProgramResult {
  int exitStatus = -1;
  std::string out;  // standard output, bytes as written
  std::string err;
};

// Runs program with args (no shell interpretation of the arguments) in
// workingDir and captures both output streams. A program still running after
// kProgramTimeLimitSeconds is killed; its status is then kTimedOutStatus.
constexpr int kProgramTimeLimitSeconds = 60;
constexpr int kTimedOutStatus = 137;
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& workingDir);

// What a built program writes to a text stream for text holding "\n" line
// ends: unchanged on POSIX, each "\n" as CR LF on Windows, whose C runtime
// opens standard output in text mode.
std::string programText(const std::string& text);

// argv[0] of a program that runProgram started: the path as given on POSIX,
// made absolute on Windows (the runner resolves it before starting).
std::string startedProgramName(const std::string& program);

// Sets a variable of this process's environment, which the programs it
// starts inherit.
void setEnvironmentVariable(const std::string& name, const std::string& value);

// True in the Windows build, where POSIX-only test fixtures (/bin/sh,
// /dev/full, symbolic links) are not available.
bool runsOnWindows();

// Makes a FIFO (POSIX only; false on Windows, which has none).
bool makeFifo(const std::filesystem::path& path);

// Captures stdout of code running in this process.
std::string captureStdout(void (*body)(void*), void* context);

// With QUORVEL_FUZZ_SEEDS set, saves bytes there (named by their FNV-1a
// hash) as a seed for a fuzz target.
void saveFuzzSeed(const Bytes& bytes);
