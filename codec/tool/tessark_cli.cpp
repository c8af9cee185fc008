#include "tool/tessark_cli.h"

#include <cstring>

#include "common/help_spellings.h"
#include "tool/commands.h"
#include "tool/environment.h"
#include "tool/messages.h"

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
    return decodeContainerFile(argv[2], chooseSimdPath()) ? kExitSuccess : kExitFailure;
  }
  if (std::strcmp(command, "-e") == 0) {
    if (argc != 3) {
      reportWrongArgumentCount("encode");
      return kExitUsage;
    }
    unsigned threads = 1;
    if (!chooseEncoderThreads(threads)) {
      reportThreadsRefused(encoderThreadsSetting());
      return kExitUsage;
    }
    return encodeTgaFile(argv[2], chooseSimdPath(), threads) ? kExitSuccess : kExitFailure;
  }
  if (std::strcmp(command, "--help") == 0) {
    printHelp();
    return kExitSuccess;
  }
  if (isHelpSpelling(command)) {
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
