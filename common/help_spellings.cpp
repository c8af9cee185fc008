#include "common/help_spellings.h"

#include <cstring>
#include <initializer_list>

bool isHelpSpelling(const char* argument) {
  for (const char* spelling : {"-?", "-h", "--help"})
    if (std::strcmp(argument, spelling) == 0) return true;
  return false;
}
