#include "tessark_cli.h"

#include <cstdio>
#include <cstring>

#include "decode/decoder.h"
#include "encode/tga_source.h"

void printUsage() {
  printf("Command Line Parameters:\n");
  printf("Decode:\n");
  printf("\t-d sourcefile\n");
  printf("\tGenerates a 32 bit tga from sourcefile.\n");
  printf("\texample: -d test.dds\n");
  printf("Encode:\n");
  printf("\t-e sourcefile\n");
  printf("\tGenerates a dds from the sourcefile (32bit tga).\n");
  printf("\texample: -e test.tga\n");
}

// "-?" is the original spelling; "-h" and "--help" are what users try first.
static bool isHelpCommand(const char* command) {
  return std::strcmp(command, "-?") == 0 || std::strcmp(command, "-h") == 0 || std::strcmp(command, "--help") == 0;
}

int runTessark(int argc, const char* const* argv) {
  if (argc <= 1) {
    printUsage();
    return kExitSuccess;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "-d") == 0) {
    if (argc != 3) {
      printf("Illegal Number of Parameters for decode see help with -?\n");
      return kExitUsage;
    }
    return decodeContainer(argv[2]) ? kExitSuccess : kExitFailure;
  }
  if (std::strcmp(command, "-e") == 0) {
    if (argc != 3) {
      printf("Illegal Number of Parameters for encode see help with -?\n");
      return kExitUsage;
    }
    return encodeTexture(argv[2]) ? kExitSuccess : kExitFailure;
  }
  if (isHelpCommand(command)) {
    printUsage();
    return kExitSuccess;
  }
  if (std::strcmp(command, "--version") == 0) {
    printf("Tessark %s\n", QUORVEL_VERSION);
    return kExitSuccess;
  }
  printf("Unknown Command: %s\n\n", command);
  printUsage();
  return kExitUsage;
}
