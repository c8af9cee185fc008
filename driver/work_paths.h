// Paths inside a directory, joined with the platform's separator: every
// driver path is a directory, a separator and a file name (on Windows a bare
// drive such as "C:" takes the name without a separator).
#pragma once

#include <string>

std::string pathIn(const std::string& directory, const std::string& fileName);
