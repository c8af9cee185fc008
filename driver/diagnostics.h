// Names as they appear in the driver's standard-error lines.
#pragma once

#include <string>

// The name with control characters written as \n, \r, \t or \xNN, so that
// every diagnostic stays one line whatever a file name holds.
std::string printableName(const std::string& name);

// True when the name holds a control character (line feed, carriage return,
// tab or any other below 0x20, or 0x7F).
bool holdsControlCharacter(const std::string& name);
