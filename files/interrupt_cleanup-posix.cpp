#include "files/interrupt_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

// What the handler reads: written only while it is disarmed.
char pendingName[NAME_MAX + 1];
std::atomic<int> pendingFolder{-1};  // -1: nothing to remove

const int kInterruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removeAndEnd(int signal) {
  const int folder = pendingFolder.exchange(-1);
  if (folder >= 0) unlinkat(folder, pendingName, 0);
  // Blocked until this handler returns, then ends the process as it would have.
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void installHandlersOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal : kInterruptingSignals) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

void removeIfInterrupted(const Folder& folder, const std::string& name) {
  installHandlersOnce();
  pendingFolder.store(-1);
  if (name.size() >= sizeof pendingName) return;
  memcpy(pendingName, name.c_str(), name.size() + 1);
  pendingFolder.store(static_cast<int>(folder.handle));
}

void forgetInterruptRemoval() { pendingFolder.store(-1); }
