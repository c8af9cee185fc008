// The arguments both programs take as a request for help: "-?", the original
// spelling, and "-h" and "--help", which users try first.
#pragma once

bool isHelpSpelling(const char* argument);
