#include "received_command_line.h"

std::string receivedCommandLine() { return ""; }
