#include "received_command_line.h"

#include <windows.h>

std::string receivedCommandLine() {
  const char* line = GetCommandLineA();
  return line ? line : "";
}
