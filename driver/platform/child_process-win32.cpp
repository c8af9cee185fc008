#include "child_process.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <mutex>
#include <thread>
#include <vector>

#include "files/this_process.h"
#include "files/program_text.h"
#include "files/wide_path.h"

// The full path of a folder, for a child's current directory.
static std::wstring fullPathOf(const std::string& path) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(widePath(path).c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(full, length) : std::wstring();
}

// A narrow child turns its wide command line into the ANSI code page with
// best fit, which can make one name another's: a path that does not survive
// is handed over in its short form.
bool childReadablePath(std::string& path) {
  if (survivesCodePage(path)) return true;
  const size_t separator = path.find_last_of("\\/");
  const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator);
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  std::vector<wchar_t> shortPath(32768);
  // The file itself where it exists, else its folder and its (new) name.
  if (GetShortPathNameW(widePath(path).c_str(), shortPath.data(), 32768) != 0) {
    const std::string candidate = narrowName(shortPath.data());
    if (survivesCodePage(candidate)) return path = candidate, true;
  }
  if (GetShortPathNameW(widePath(folder).c_str(), shortPath.data(), 32768) == 0) return false;
  const std::string candidate = narrowName(shortPath.data()) + "\\" + name;
  if (!survivesCodePage(candidate)) return false;
  path = candidate;
  return true;
}

// The system's text for an error code, without its trailing line end.
static std::string errorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length > 0 && text ? narrowName(std::wstring(text, length).c_str()) : "";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  const std::string code = "error " + std::to_string(error);
  return message.empty() ? code : message + " (" + code + ")";
}

static ChildOutcome notStarted(DWORD error) {
  ChildOutcome outcome;
  outcome.failure = errorText(error);
  return outcome;
}

// The exit code stays -1 when the wait or the query fails: the child ran, but
// how it ended is unknown.
static int waitForExitCode(HANDLE process) {
  if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return -1;
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process, &exitCode)) return -1;
  return static_cast<int>(exitCode);
}

// Every child joins one job that the system ends with the driver: the job's
// only handle closes when the driver ends, however it ends.
static HANDLE childrenJob() {
  static const HANDLE job = [] {
    const HANDLE created = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (created) SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return created;
  }();
  return job;
}

// One pipe for a child's output: the child's end is made inheritable only
// while that child is created, so no other child inherits it.
struct CapturePipe {
  HANDLE read = nullptr, write = nullptr;
  std::string bytes;
  std::thread reader;
};

static bool openCapture(CapturePipe& pipe) { return CreatePipe(&pipe.read, &pipe.write, nullptr, 0) != 0; }

static void startReading(CapturePipe& pipe) {
  CloseHandle(pipe.write);
  pipe.write = nullptr;
  pipe.reader = std::thread([&pipe] {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe.read, buffer, sizeof buffer, &got, nullptr) && got > 0) pipe.bytes.append(buffer, got);
  });
}

static void closeCapture(CapturePipe& pipe) {
  if (pipe.reader.joinable()) pipe.reader.join();
  if (pipe.read) CloseHandle(pipe.read);
  if (pipe.write) CloseHandle(pipe.write);
}

// Child creation is one at a time, so a capture pipe is inheritable only
// while its own child is created.
static std::mutex& creationLock() {
  static std::mutex lock;
  return lock;
}

ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>&,
                                 const std::string& commandLine, const Folder* workingFolder, ChildOutput* captured) {
  // CreateProcessW may write into the command line, so it gets its own copy.
  const std::wstring wideLine = wideText(commandLine);
  std::vector<wchar_t> line(wideLine.begin(), wideLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  CapturePipe output, errors;
  if (captured && (!openCapture(output) || !openCapture(errors))) {
    const DWORD error = GetLastError();
    closeCapture(output);
    closeCapture(errors);
    return notStarted(error);
  }
  std::unique_lock<std::mutex> creating(creationLock());
  if (captured) {
    SetHandleInformation(output.write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(errors.write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.write;
    startup.hStdError = errors.write;
  }
  // The child shares the console and, by inheritance, the priority class;
  // TRUE hands it the driver's inheritable standard handles. It starts
  // suspended only until it has joined the job.
  const std::wstring workingDirectory = workingFolder ? fullPathOf(workingFolder->path) : std::wstring();
  const wchar_t* directory = workingFolder ? workingDirectory.c_str() : nullptr;
  const bool created = CreateProcessW(widePath(programPath).c_str(), line.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, directory, &startup, &process) != 0;
  const DWORD creationError = GetLastError();
  if (captured) {
    SetHandleInformation(output.write, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errors.write, HANDLE_FLAG_INHERIT, 0);
  }
  creating.unlock();
  if (captured) {
    startReading(output);
    startReading(errors);
  }
  if (!created) {
    closeCapture(output);
    closeCapture(errors);
    return notStarted(creationError);
  }
  if (childrenJob()) AssignProcessToJobObject(childrenJob(), process.hProcess);
  ResumeThread(process.hThread);
  ChildOutcome outcome;
  outcome.started = true;
  outcome.exitStatus = waitForExitCode(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (captured) {
    closeCapture(output);
    closeCapture(errors);
    captured->out = output.bytes;
    captured->err = errors.bytes;
  }
  return outcome;
}

// A current directory holds at most MAX_PATH - 2 characters (room for the
// separator the system adds and the terminator).
bool childCanStartInside(const Folder& folder) {
  const std::wstring full = fullPathOf(folder.path);
  return !full.empty() && full.size() < MAX_PATH - 2;
}

void passOnChildOutput(FILE* stream, const std::string& bytes) {
  fflush(stream);
  const int mode = _setmode(_fileno(stream), _O_BINARY);
  fwrite(bytes.data(), 1, bytes.size(), stream);
  fflush(stream);
  if (mode != -1) _setmode(_fileno(stream), mode);
}

unsigned usableProcessors() { return processorsOfThisProcess(); }

bool isRunnableFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string runningExecutableDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    // A full buffer means the name was cut short: try again with more room.
    if (length < buffer.size()) {
      const std::string path = narrowName(std::wstring(buffer.data(), length).c_str());
      const size_t separator = path.find_last_of("\\/");
      return separator == std::string::npos ? "" : path.substr(0, separator);
    }
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
}
