// A folder opened once, shared by both programs: every operation on a name
// inside it goes through folder.h.
#pragma once

#include <cstdint>
#include <string>

struct Folder {
  std::string path;      // as given, "" for the current directory: for messages and children's arguments
  intptr_t handle = -1;  // the platform's descriptor or handle; -1 when closed
};
