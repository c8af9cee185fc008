#include "diagnostics.h"

#include <cstdio>

static bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool holdsControlCharacter(const std::string& name) {
  for (unsigned char c : name)
    if (isControl(c)) return true;
  return false;
}

std::string printableName(const std::string& name) {
  std::string printable;
  for (unsigned char c : name) {
    if (!isControl(c)) printable += static_cast<char>(c);
    else if (c == '\n') printable += "\\n";
    else if (c == '\r') printable += "\\r";
    else if (c == '\t') printable += "\\t";
    else {
      char escaped[5];
      snprintf(escaped, sizeof escaped, "\\x%02x", c);
      printable += escaped;
    }
  }
  return printable;
}
