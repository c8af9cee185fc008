// The driver's console: its standard-output lines, its standard-error lines
// (worded in diagnostics.cpp), and a progress line while it works, when
// standard error is a terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// What a run did, for its summary line.
struct RunTally {
  unsigned decoded = 0, alreadyThere = 0, decodeFailed = 0;
  unsigned compiled = 0, compileFailed = 0;
  unsigned converted = 0, removed = 0, conversionFailed = 0;
};

// A standard-error line of the driver's own (printf format), after the
// progress line is cleared and standard output flushed, so in a log of both
// streams it follows every line printed before it.
void printDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A standard-output line of the driver's own (printf format).
void printOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Starts a progress line for `total` items of the stage `what` ("decoding
// containers"); nothing happens unless standard error is a terminal.
void startProgress(const char* what, size_t total);
// `done` of the total are finished: the line is redrawn, a few times a second at most.
void advanceProgress(size_t done);
// Removes the progress line from the terminal, if one is shown.
void clearProgress();

using RunClock = std::chrono::steady_clock;

double secondsSince(RunClock::time_point start);
