// The Windows form of a child's command line, and how a Windows child's C
// runtime splits it back into arguments. Both are pure text functions so that
// every platform forms and reads command lines the same way.
#pragma once

#include <string>
#include <vector>

// Arguments joined by single blanks, argument 0 first, exactly as given: no
// quoting or escaping is added (callers quote paths themselves).
std::string joinCommandLine(const std::vector<std::string>& args);

// The argument vector a Windows child's C runtime builds from a command line:
// blanks and tabs separate arguments, double quotes group (and are dropped),
// backslashes are literal unless they precede a double quote. Argument 0 is
// read as a program path: quotes group it, backslashes are never escapes.
std::vector<std::string> splitWindowsCommandLine(const std::string& line);
