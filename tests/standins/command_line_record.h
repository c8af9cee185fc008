// Lets tests see how a stand-in was started: when the environment variable
// STANDIN_COMMAND_LOG names a file, each start appends one line to it.
#pragma once

// The line is the command line as received where the system has one
// (Windows), otherwise every argument in brackets: "[nwnmdlcomp][-d][a b]".
void recordCommandLine(int argc, char** argv);
