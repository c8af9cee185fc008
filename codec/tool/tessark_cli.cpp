#include "tool/tessark_cli.h"

#include <cstdlib>
#include <cstring>

#include "tool/commands.h"
#include "tool/messages.h"

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
      reportWrongArgumentCount("decode");
      return kExitUsage;
    }
    return decodeContainerFile(argv[2]) ? kExitSuccess : kExitFailure;
  }
  if (std::strcmp(command, "-e") == 0) {
    if (argc != 3) {
      reportWrongArgumentCount("encode");
      return kExitUsage;
    }
    unsigned threads = 1;
    if (!chooseEncoderThreads(threads)) {
      reportThreadsRefused(getenv("TESSARK_THREADS"));
      return kExitUsage;
    }
    return encodeTgaFile(argv[2], threads) ? kExitSuccess : kExitFailure;
  }
  if (std::strcmp(command, "--help") == 0) {
    printHelp();
    return kExitSuccess;
  }
  if (isHelpCommand(command)) {
    printUsage();
    return kExitSuccess;
  }
  if (std::strcmp(command, "--version") == 0) {
    printVersion();
    return kExitSuccess;
  }
  reportUnknownCommand(command);
  printUsage();
  return kExitUsage;
}
