// The command line exactly as the system handed it to this program.
#pragma once

#include <string>

// Windows passes a program one command line, which its runtime splits into
// argv; that line is returned as it came. POSIX passes only the argument
// vector, so there is no line to return: "".
std::string receivedCommandLine();
