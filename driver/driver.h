// The driver's spine: start-up, the two run modes and the model listing.
#pragma once

#include <cstdio>
#include <string>

#include "model_convert.h"

// Exit statuses a script can test.
constexpr int kExitSuccess = 0;  // every stage did its work (models removed by the texture check included)
constexpr int kExitFailure = 1;  // a container yielded no texture, a child could not be started, or the
                                 // material script or listing could not be opened or written
constexpr int kExitUsage = 2;    // the usage line, or an empty work directory argument

// The whole program; returns its exit status.
int runQuorvel(int argc, char** argv);

void echoArguments(int argc, char** argv);
int runDirectoryMode(const std::string& directory);
int runListingMode(int argc, char** argv);

// Reads listing records ("model path:anything\n") byte by byte and converts
// and verifies each model. Returns the number of models handled; clears
// allStarted when the conversion script could not be started.
unsigned readModelListing(FILE* listing, const ConversionOptions& options, const std::string& workDirectory,
                          bool& allStarted);
