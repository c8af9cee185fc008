#include "driver.h"

#include <cerrno>
#include <cstring>

#include "diagnostics.h"
#include "model_convert.h"
#include "platform/file_ops.h"
#include "platform/priority.h"
#include "process.h"
#include "stages.h"

// Program name, listing, value, three switches, work directory.
constexpr int kListingModeArgumentCount = 7;

int runQuorvel(int argc, char** argv) {
  lowerProcessPriority();
  echoArguments(argc, argv);
  resetMissingProgramReports();
  if (argc == 2 && isHelpRequest(argv[1])) {
    printUsageLine();
    return kExitSuccess;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    printf("Quorvel %s\n", QUORVEL_VERSION);
    return kExitSuccess;
  }
  if (argc == 2) return runDirectoryMode(argv[1]);
  return runListingMode(argc, argv);
}

void echoArguments(int argc, char** argv) {
  printf("%i\t", argc);
  for (int i = 0; i < argc; ++i) printf("%s ", argv[i]);
  printf("\n");
}

bool isHelpRequest(const std::string& argument) {
  return argument == "-?" || argument == "-h" || argument == "--help";
}

void printUsageLine() {
  printf("usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n");
}

// Checked before any work: a mistyped directory must not start a run that
// finds no texture and so removes every converted model's outputs.
static int checkWorkDirectory(const std::string& directory) {
  // An empty one would turn every path into one at the file-system root.
  if (directory.empty()) {
    printf("Quorvel: the work directory argument is empty; nothing done\n");
    return kExitUsage;
  }
  const EntryInfo entry = lookUpEntry(directory);
  if (entry.target == EntryTarget::Directory) return kExitSuccess;
  const char* why = !entry.exists ? "it does not exist" : entry.target == EntryTarget::Missing ? "it is a dangling link"
                                                                                               : "it is not a directory";
  fprintf(stderr, "Quorvel: the work directory %s cannot be used: %s; nothing done\n",
          printableName(directory).c_str(), why);
  return kExitFailure;
}

int runDirectoryMode(const std::string& directory) {
  const int usable = checkWorkDirectory(directory);
  if (usable != kExitSuccess) return usable;
  // Every stage runs whatever the one before it left undone.
  const bool decoded = decodeTextures(directory);
  const bool declared = writeUniversalMaterial(directory);
  const bool compiled = convertBinaryModels(directory);
  return decoded && declared && compiled ? kExitSuccess : kExitFailure;
}

// A switch that is neither "0" nor "1" starts no conversion for any model;
// the verification still runs, which a caller may want, but it is no success.
static bool switchesAreValid(const ConversionOptions& options) {
  const struct {
    const char* name;
    const std::string& value;
  } switches[] = {{"skeleton", options.skeleton},
                  {"bone-rotation", options.boneRotation},
                  {"animation-position", options.animationPosition}};
  for (const auto& entry : switches) {
    if (isValidSwitch(entry.value)) continue;
    fprintf(stderr, "Quorvel: the %s switch is \"%s\", which starts neither with 0 nor with 1: no model is converted\n",
            entry.name, printableName(entry.value).c_str());
    return false;
  }
  return true;
}

int runListingMode(int argc, char** argv) {
  if (argc < kListingModeArgumentCount) {
    printUsageLine();
    return kExitUsage;
  }
  const std::string workDirectory = argv[6];
  const int usable = checkWorkDirectory(workDirectory);
  if (usable != kExitSuccess) return usable;
  const ConversionOptions options{argv[2], argv[3], argv[4], argv[5]};
  const bool switchesValid = switchesAreValid(options);
  printf("processing grep output\n");
  FILE* listing = fopen(argv[1], "rb");
  if (!listing) {
    printf("Cannot open the model listing %s: %s\n", argv[1], strerror(errno));
    return kExitFailure;
  }
  bool allConverted = true;
  const unsigned count = readModelListing(listing, options, workDirectory, allConverted);
  const bool readOk = !ferror(listing);
  fclose(listing);
  if (!readOk) fprintf(stderr, "Quorvel: the model listing %s could not be read to its end\n", printableName(argv[1]).c_str());
  printf("%u models processed. done.\n", count);
  return allConverted && readOk && switchesValid ? kExitSuccess : kExitFailure;
}

// The first colon at position 3 or later ends a name, so a drive letter ("C:")
// never does; line feeds do not end a name either. False at the end of input.
static bool readModelName(FILE* listing, std::string& name) {
  name.clear();
  int c;
  while ((c = getc(listing)) != EOF) {
    if (c == ':' && name.size() >= 3) {
      // A NUL byte ends the name, as it would end any C string made of it.
      name.resize(strlen(name.c_str()));
      return true;
    }
    name += static_cast<char>(c);
  }
  return false;
}

static void skipRestOfLine(FILE* listing) {
  int c;
  while ((c = getc(listing)) != EOF && c != '\n') {
  }
}

// A record whose name is no model file (cut at a colon inside a file name, a
// directory, a name spanning lines) is still converted, but nothing of that
// name can have come from its conversion, so nothing is deleted for it.
static bool isModelFile(const std::string& modelName) {
  if (lookUpEntry(modelName).target == EntryTarget::RegularFile) return true;
  fprintf(stderr, "Quorvel: %s is not a model file; converting it, deleting nothing for it\n",
          printableName(modelName).c_str());
  return false;
}

unsigned readModelListing(FILE* listing, const ConversionOptions& options, const std::string& workDirectory,
                          bool& allConverted) {
  unsigned count = 0;
  std::string modelName;
  for (;;) {
    printf(">>> %u <<<\n", count);
    if (!readModelName(listing, modelName)) break;
    skipRestOfLine(listing);
    const bool modelFile = isModelFile(modelName);
    if (!convertModel(modelName, options, modelFile)) allConverted = false;
    if (modelFile && verifyModel(modelName, workDirectory) == Verification::Failed) allConverted = false;
    ++count;
    if (feof(listing)) break;
  }
  return count;
}
