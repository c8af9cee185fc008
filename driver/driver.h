// The driver's spine: start-up, the two run modes and the model listing.
#pragma once

#include <cstdio>
#include <string>

// The directory every stage works on, set once from the command line.
extern std::string workDirectory;

// `fileName` inside `directory`, joined with the platform's separator.
std::string pathIn(const std::string& directory, const std::string& fileName);
// `fileName` inside the work directory.
std::string workPath(const std::string& fileName);

// What listing mode hands unchanged to every model conversion.
struct ConversionOptions {
  std::string value;              // passed behind "-s"
  std::string skeleton;           // switches: first character "0" or "1"
  std::string boneRotation;
  std::string animationPosition;
};

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
unsigned readModelListing(FILE* listing, const ConversionOptions& options, bool& allStarted);
