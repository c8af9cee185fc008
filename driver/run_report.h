// What a run tells about itself on standard error besides its failures: a
// progress line while it works, when standard error is a terminal, and one
// summary line at its end. Every other standard-error line of the driver
// goes through printDiagnostic, which clears the progress line first.
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

// A standard-error line of the driver's own (printf format).
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

// The summary line, such as "Quorvel: 12 containers decoded, 3 already
// there, 1 failed; 5 models compiled, 0 failed; 1.25 s".
std::string directorySummary(const RunTally& tally, double seconds);
std::string listingSummary(const RunTally& tally, double seconds);
void printSummary(const std::string& line);
double secondsSince(RunClock::time_point start);
