// Text at the programs' edges. Inside, names are kept as the system's file
// calls take them: bytes as they are on POSIX; on Windows UTF-8, turned into
// wide text at each file call, so a name always means exactly the file it
// names. The console, listing files and other programs' narrow command lines
// speak the ANSI code page on Windows; these functions cross that border
// (every one of them is the identity on POSIX).
#pragma once

#include <string>
#include <vector>

// The program's arguments, argument 0 first: on Windows read as wide text
// (the narrow ones have passed through the code page's best fit, which can
// turn one name into another file's) and kept as UTF-8.
std::vector<std::string> programArguments(int argc, char** argv);

// A program's main: `programMain` with the program's arguments as above.
template <class ProgramMain>
int runWithProgramArguments(int argc, char** argv, ProgramMain programMain) {
  std::vector<std::string> arguments = programArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  return programMain(static_cast<int>(arguments.size()), pointers.data());
}

// Internal text as the console shows it: on Windows in the ANSI code page,
// a character it lacks written as its nearest look-alike (display only).
std::string consoleText(const std::string& text);

// Bytes in the ANSI code page (a listing file, an environment variable, a
// system message) as internal text.
std::string textFromCodePage(const std::string& bytes);

// True when the text passes through the ANSI code page and back unchanged,
// so a program with a narrow command line receives exactly this name.
bool survivesCodePage(const std::string& text);
