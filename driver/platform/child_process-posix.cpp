#include "child_process.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "files/this_process.h"

extern char** environ;

static ChildOutcome waitForChild(pid_t pid) {
  ChildOutcome outcome;
  outcome.started = true;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return outcome;
  }
  if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) outcome.exitStatus = 128 + WTERMSIG(status);
  return outcome;
}

// The child may change its working directory before it starts the program.
static std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char directory[PATH_MAX];
  return getcwd(directory, sizeof directory) ? std::string(directory) + "/" + path : path;
}

// Everything the child needs, prepared before it exists.
struct ChildStart {
  const char* program;
  char* const* argv;
  int workingFd;  // -1: stay in the driver's folder
  pid_t driver;
  int report;
  const int* outputs;  // standard output and error, or none
};

// Between vfork and exec: the child shares the driver's memory, so only
// system calls on what was prepared before (no allocation, no stdio). Dies
// with the driver, starts with default handling of every signal but those
// the driver's caller ignored (nohup's SIGHUP, a script's trap '' INT),
// which stay ignored; this is done before any signal is let through, so no
// handler of the driver's can run here. Reports a failed exec on `report`
// (closed on exec).
[[noreturn]] static void becomeProgram(const ChildStart& start) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (start.outputs && (dup2(start.outputs[0], 1) < 0 || dup2(start.outputs[1], 2) < 0)) _exit(127);
  if (getppid() != start.driver) _exit(127);  // the driver ended before the line above
  // The driver itself ignores no signal of its own accord, so an ignored
  // one is the caller's choice.
  struct sigaction defaultAction;
  memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
      sigaction(signal, &defaultAction, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  int error = 0;
  if (start.workingFd >= 0 && fchdir(start.workingFd) != 0) error = errno;
  if (error == 0) {
    execve(start.program, start.argv, environ);
    error = errno;
  }
  (void)!write(start.report, &error, sizeof error);
  _exit(127);
}

// vfork: no copy of the driver's memory map per child, which costs more than
// a small decode once the driver runs threads. Signals stay blocked in this
// thread until the child has exec'd or ended. Kept apart so that nothing of
// the caller's lives across the vfork.
static __attribute__((noinline)) pid_t startChild(const ChildStart& start) {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = vfork();
  if (pid == 0) becomeProgram(start);
  const int error = errno;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return pid;
}

// Reads a whole capture file from its start, then closes it.
static std::string readCapture(int fd) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t got = pread(fd, buffer, sizeof buffer, static_cast<off_t>(bytes.size()));
    if (got > 0) bytes.append(buffer, static_cast<size_t>(got));
    else if (got == 0 || errno != EINTR) break;
  }
  close(fd);
  return bytes;
}

ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& args,
                                 const std::string&, const Folder* workingFolder, ChildOutput* captured) {
  const std::string program = absolutePath(programPath);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ChildOutcome outcome;
  // Captures live in memory, not in any folder: nothing is written outside.
  int outputs[2] = {-1, -1};
  if (captured) {
    outputs[0] = memfd_create("quorvel-child-out", MFD_CLOEXEC);
    outputs[1] = memfd_create("quorvel-child-err", MFD_CLOEXEC);
  }
  int report[2];
  if ((captured && (outputs[0] < 0 || outputs[1] < 0)) || pipe2(report, O_CLOEXEC) != 0) {
    outcome.failure = strerror(errno);
    for (int fd : outputs)
      if (fd >= 0) close(fd);
    return outcome;
  }
  const ChildStart start{program.c_str(), argv.data(),
                         workingFolder ? static_cast<int>(workingFolder->handle) : -1,
                         getpid(), report[1], captured ? outputs : nullptr};
  const pid_t pid = startChild(start);
  const int forkError = errno;
  close(report[1]);
  int error = 0;
  ssize_t got;
  while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (pid < 0) {
    outcome.failure = strerror(forkError);
    for (int fd : outputs)
      if (fd >= 0) close(fd);
    return outcome;
  }
  outcome = waitForChild(pid);
  if (captured) {
    captured->out = readCapture(outputs[0]);
    captured->err = readCapture(outputs[1]);
  }
  if (got == static_cast<ssize_t>(sizeof error)) {
    outcome.started = false;
    outcome.failure = strerror(error);
  }
  return outcome;
}

bool childCanStartInside(const Folder&) { return true; }

bool childReadablePath(std::string&) { return true; }

void passOnChildOutput(FILE* stream, const std::string& bytes) {
  fwrite(bytes.data(), 1, bytes.size(), stream);
  fflush(stream);
}

unsigned usableProcessors() { return processorsOfThisProcess(); }

bool isRunnableFile(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return access(path.c_str(), X_OK) == 0;
}

std::string runningExecutableDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return "";
    if (static_cast<size_t>(length) < buffer.size()) {
      const std::string path(buffer.data(), static_cast<size_t>(length));
      const size_t slash = path.rfind('/');
      return slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}
