#include "driver.h"

#include <cerrno>
#include <cstring>

#include "diagnostics.h"
#include "model_convert.h"
#include "platform/file_ops.h"
#include "platform/priority.h"
#include "stages.h"

// Program name, listing, value, three switches, work directory.
constexpr int kListingModeArgumentCount = 7;

int runQuorvel(int argc, char** argv) {
  lowerProcessPriority();
  echoArguments(argc, argv);
  if (argc == 2) return runDirectoryMode(argv[1]);
  return runListingMode(argc, argv);
}

void echoArguments(int argc, char** argv) {
  printf("%i\t", argc);
  for (int i = 0; i < argc; ++i) printf("%s ", argv[i]);
  printf("\n");
}

// An empty work directory would turn every path into one at the file-system root.
static bool isUsableWorkDirectory(const std::string& directory) {
  if (!directory.empty()) return true;
  printf("Quorvel: the work directory argument is empty; nothing done\n");
  return false;
}

int runDirectoryMode(const std::string& directory) {
  if (!isUsableWorkDirectory(directory)) return kExitUsage;
  // Every stage runs whatever the one before it left undone.
  const bool decoded = decodeTextures(directory);
  const bool declared = writeUniversalMaterial(directory);
  const bool compiled = convertBinaryModels(directory);
  return decoded && declared && compiled ? kExitSuccess : kExitFailure;
}

int runListingMode(int argc, char** argv) {
  if (argc < kListingModeArgumentCount) {
    printf("usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n");
    return kExitUsage;
  }
  const std::string workDirectory = argv[6];
  if (!isUsableWorkDirectory(workDirectory)) return kExitUsage;
  printf("processing grep output\n");
  FILE* listing = fopen(argv[1], "rb");
  if (!listing) {
    printf("Cannot open the model listing %s: %s\n", argv[1], strerror(errno));
    return kExitFailure;
  }
  const ConversionOptions options{argv[2], argv[3], argv[4], argv[5]};
  bool allStarted = true;
  const unsigned count = readModelListing(listing, options, workDirectory, allStarted);
  const bool readOk = !ferror(listing);
  fclose(listing);
  if (!readOk) fprintf(stderr, "Quorvel: the model listing %s could not be read to its end\n", printableName(argv[1]).c_str());
  printf("%u models processed. done.\n", count);
  return allStarted && readOk ? kExitSuccess : kExitFailure;
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
                          bool& allStarted) {
  unsigned count = 0;
  std::string modelName;
  for (;;) {
    printf(">>> %u <<<\n", count);
    if (!readModelName(listing, modelName)) break;
    skipRestOfLine(listing);
    const bool modelFile = isModelFile(modelName);
    if (!convertModel(modelName, options, modelFile)) allStarted = false;
    if (modelFile) verifyModel(modelName, workDirectory);
    ++count;
    if (feof(listing)) break;
  }
  return count;
}
