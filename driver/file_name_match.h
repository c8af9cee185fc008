// Matching file names by their ending, as the platform's directory walks do.
#pragma once

#include <string>

// True when `name` ends in `ending` (such as ".dds"), letters compared
// without regard to case.
bool endsWithIgnoringCase(const std::string& name, const std::string& ending);

// True when the names are the same, ASCII letters compared without regard
// to case (as Windows compares them).
bool sameNameIgnoringCase(const std::string& a, const std::string& b);
