// The driver's spine: start-up, the two run modes and the model listing.
#pragma once

#include <cstdio>
#include <string>

#include "model_listing.h"
#include "files/folder.h"
#include "run_report.h"


// Exit statuses a script can test.
constexpr int kExitSuccess = 0;  // everything worked (models removed by the texture check included)
constexpr int kExitFailure = 1;  // anything failed: a child, a container without texture, a switch, a file
constexpr int kExitUsage = 2;    // the usage line, or an empty work directory argument

// How a run shares the machine.
struct RunSettings {
  unsigned jobs = 1;       // decoders (and, when asked for, outside programs) at once
  bool jobsGiven = false;  // QUORVEL_JOBS was set: outside programs may run side by side too
};

// At most this many children at once, whatever QUORVEL_JOBS says.
constexpr unsigned long kMaxJobs = 1024;

// The whole program; returns its exit status.
int runQuorvel(int argc, char** argv);

void echoArguments(int argc, char** argv);
// "-?", "-h" or "--help" as the only argument asks for the usage line.
bool isHelpRequest(const std::string& argument);
void printUsageLine();
void printHelp();
int runDirectoryMode(const std::string& directory, const RunSettings& settings);
int runListingMode(int argc, char** argv, const RunSettings& settings);


