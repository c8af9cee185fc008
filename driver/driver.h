// The driver's spine: start-up, the two run modes and the model listing.
#pragma once

#include <cstdio>
#include <string>

#include "model_convert.h"

// Exit statuses a script can test.
constexpr int kExitSuccess = 0;  // everything worked (models removed by the texture check included)
constexpr int kExitFailure = 1;  // anything failed: a child, a container without texture, a switch, a file
constexpr int kExitUsage = 2;    // the usage line, or an empty work directory argument

// The whole program; returns its exit status.
int runQuorvel(int argc, char** argv);

void echoArguments(int argc, char** argv);
// "-?", "-h" or "--help" as the only argument asks for the usage line.
bool isHelpRequest(const std::string& argument);
void printUsageLine();
int runDirectoryMode(const std::string& directory);
int runListingMode(int argc, char** argv);

// Reads listing records ("model path:anything\n") byte by byte and converts
// and verifies each model. Returns the number of models handled; clears
// allConverted when a conversion or a verification failed.
unsigned readModelListing(FILE* listing, const ConversionOptions& options, const std::string& workDirectory,
                          bool& allConverted);
