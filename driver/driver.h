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

// The whole program; always returns exit status 0.
int runQuorvel(int argc, char** argv);

void echoArguments(int argc, char** argv);
void runDirectoryMode(const std::string& directory);
void runListingMode(int argc, char** argv);

// Reads listing records ("model path:anything\n") byte by byte and converts
// and verifies each model. Returns the number of models handled.
unsigned readModelListing(FILE* listing, const ConversionOptions& options);
