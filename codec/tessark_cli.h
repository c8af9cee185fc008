// The Tessark command line: "-d" decodes a container, "-e" encodes a TGA
// source, "-?" prints the usage text.
#pragma once

void printUsage();

// Dispatches one command; always returns exit status 0.
int runTessark(int argc, const char* const* argv);
