#include "files/program_text.h"

std::vector<std::string> programArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

std::string consoleText(const std::string& text) { return text; }

std::string textFromCodePage(const std::string& bytes) { return bytes; }

bool survivesCodePage(const std::string&) { return true; }
