#include "child_process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>


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

ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& args,
                                 const std::string&) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, programPath.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    ChildOutcome outcome;
    outcome.failure = strerror(error);
    return outcome;
  }
  return waitForChild(pid);
}

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
