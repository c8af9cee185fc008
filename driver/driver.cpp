#include "driver.h"

#include <cerrno>
#include <cstring>

#include "model_convert.h"
#include "platform/host_names.h"
#include "platform/priority.h"
#include "stages.h"

std::string workDirectory;

// Program name, listing, value, three switches, work directory.
constexpr int kListingModeArgumentCount = 7;

std::string pathIn(const std::string& directory, const std::string& fileName) {
  return directory + pathSeparator() + fileName;
}

std::string workPath(const std::string& fileName) { return pathIn(workDirectory, fileName); }

int runQuorvel(int argc, char** argv) {
  lowerProcessPriority();
  echoArguments(argc, argv);
  if (argc == 2) runDirectoryMode(argv[1]);
  else runListingMode(argc, argv);
  return 0;
}

void echoArguments(int argc, char** argv) {
  printf("%i\t", argc);
  for (int i = 0; i < argc; ++i) printf("%s ", argv[i]);
  printf("\n");
}

// An empty work directory would turn every path into one at the file-system root.
static bool setWorkDirectory(const std::string& directory) {
  if (directory.empty()) {
    printf("Quorvel: the work directory argument is empty; nothing done\n");
    return false;
  }
  workDirectory = directory;
  return true;
}

void runDirectoryMode(const std::string& directory) {
  if (!setWorkDirectory(directory)) return;
  decodeTextures();
  writeUniversalMaterial(workDirectory);
  convertBinaryModels();
}

void runListingMode(int argc, char** argv) {
  if (argc < kListingModeArgumentCount) {
    printf("usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n");
    return;
  }
  if (!setWorkDirectory(argv[6])) return;
  printf("processing grep output\n");
  FILE* listing = fopen(argv[1], "rb");
  if (!listing) {
    printf("Cannot open the model listing %s: %s\n", argv[1], strerror(errno));
    return;
  }
  const ConversionOptions options{argv[2], argv[3], argv[4], argv[5]};
  const unsigned count = readModelListing(listing, options);
  fclose(listing);
  printf("%u models processed. done.\n", count);
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

unsigned readModelListing(FILE* listing, const ConversionOptions& options) {
  unsigned count = 0;
  std::string modelName;
  for (;;) {
    printf(">>> %u <<<\n", count);
    if (!readModelName(listing, modelName)) break;
    skipRestOfLine(listing);
    convertModel(modelName, options.value, options.skeleton, options.boneRotation, options.animationPosition);
    verifyModel(modelName);
    ++count;
    if (feof(listing)) break;
  }
  return count;
}
