// File and child-program helpers that every stage of the driver uses.
#pragma once

#include <string>
#include <vector>

// True when the file can be opened for binary reading.
bool fileExists(const std::string& path);

// Deletes the file when fileExists holds for it; the outcome is not examined.
void removeIfPresent(const std::string& path);

// Finds `program` (current directory, then PATH, then beside the running
// driver), starts it with `args` (argument 0 first, usually the program name
// again) and waits for it. Returns the child's exit status, or -1 when it
// could not be found or started; that failure is named on standard error.
int runAndWait(const std::string& program, const std::vector<std::string>& args);

// "\"path\"": how every path is handed to a child.
std::string quoted(const std::string& path);
