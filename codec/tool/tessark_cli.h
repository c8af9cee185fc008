// The Tessark command line: "-d" decodes a container, "-e" encodes a TGA
// source, "-?" ("-h", "--help") prints the usage text, "--version" the version.
#pragma once

// Exit statuses a script can test.
constexpr int kExitSuccess = 0;  // the operation succeeded, or the usage text was asked for
constexpr int kExitFailure = 1;  // the decode or encode failed (its message says why)
constexpr int kExitUsage = 2;    // a wrong argument count or an unknown command

// Dispatches one command and returns the exit status.
int runTessark(int argc, const char* const* argv);
