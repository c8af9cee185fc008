// Windows runner: the test programs start the built binaries with
// CreateProcessW, quoting every argument by the C runtime's splitting rules so
// the program sees exactly the given vector. Output goes to files in a
// scratch directory, so a chatty child can never block on a full pipe.
#include <windows.h>

#include <fstream>
#include <sstream>

#include "test_support.h"

namespace fs = std::filesystem;

// One argument as the runtime's command-line splitter reads it back:
// backslashes are literal except before a double quote, where each is doubled.
static std::wstring quoteArgument(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(2 * backslashes + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

static std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

static HANDLE createInheritableFile(const fs::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& workingDir) {
  ScratchDir capture;
  // Resolved here: a path like /work/x.exe is relative to this process's
  // drive, not to the child's working directory.
  const fs::path programPath = fs::u8path(startedProgramName(program));
  std::wstring commandLine = quoteArgument(programPath.wstring());
  for (const std::string& arg : args) commandLine += L" " + quoteArgument(fs::u8path(arg).wstring());

  const HANDLE in = createInheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = createInheritableFile(capture / "out", GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err = createInheritableFile(capture / "err", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessW(programPath.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                nullptr, workingDir.wstring().c_str(), &startup, &process);
  DWORD startError = GetLastError();
  // Wine's start-up now and then fails inside the emulation itself
  // (ERROR_INTERNAL_ERROR) before the program runs: one more try.
  if (!started && startError == ERROR_INTERNAL_ERROR) {
    started = CreateProcessW(programPath.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             workingDir.wstring().c_str(), &startup, &process);
    startError = GetLastError();
  }
  ProgramResult result;
  if (started) {
    // A program that hangs fails its test instead of stopping the suite.
    if (WaitForSingleObject(process.hProcess, kProgramTimeLimitSeconds * 1000) == WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, kTimedOutStatus);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.hProcess, &exitCode)) result.exitStatus = static_cast<int>(exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE h : {in, out, err}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  result.out = slurp(capture / "out");
  result.err = slurp(capture / "err");
  if (!started) result.err += "CreateProcessW failed with error " + std::to_string(startError);
  return result;
}

std::string programText(const std::string& text) {
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

bool runsOnWindows() { return true; }

std::string startedProgramName(const std::string& program) { return fs::absolute(fs::u8path(program)).u8string(); }

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

bool makeFifo(const fs::path&) { return false; }
