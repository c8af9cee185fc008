// A temporary file that an interrupting signal must not leave behind: until
// forgotten, the file `name` in `folder` is removed when the process is
// ended by SIGINT, SIGTERM, SIGHUP or SIGPIPE, and the process then ends as
// that signal ends it. Signals the process's caller ignored stay ignored.
// One file at a time. (Windows needs none: its temporaries vanish with the
// process, Ctrl-C and Ctrl-Break included.)
#pragma once

#include <string>

#include "files/folder_handle.h"

void removeIfInterrupted(const Folder& folder, const std::string& name);
void forgetInterruptRemoval();
