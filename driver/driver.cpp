#include "run_report.h"
#include "driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "diagnostics.h"
#include "model_convert.h"
#include "files/file_ops.h"
#include "platform/child_process.h"
#include "platform/priority.h"
#include "platform/process_setup.h"
#include "process.h"
#include "stages.h"

// Program name, listing, value, three switches, work directory.
constexpr int kListingModeArgumentCount = 7;

bool parseJobCount(const char* text, unsigned& jobs) {
  if (!text || !*text) return false;
  unsigned long value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(*c - '0');
    if (value > kMaxJobs) value = kMaxJobs + 1;  // no overflow; a very large count is the most there is
  }
  if (value < 1) return false;
  jobs = static_cast<unsigned>(std::min<unsigned long>(value, kMaxJobs));
  return true;
}

// QUORVEL_JOBS, else every processor this process may use. An empty value
// counts as not set.
static bool chooseJobs(RunSettings& settings) {
  const char* given = getenv("QUORVEL_JOBS");
  const char* text = given && *given ? given : nullptr;
  settings.jobsGiven = text != nullptr;
  if (!text) {
    settings.jobs = usableProcessors();
    return true;
  }
  if (parseJobCount(text, settings.jobs)) return true;
  reportJobCountRefused(text);
  return false;
}

int runQuorvel(int argc, char** argv) {
  prepareProcess();
  lowerProcessPriority();
  echoArguments(argc, argv);
  resetMissingProgramReports();
  if (argc == 2 && isHelpRequest(argv[1])) {
    printUsageLine();
    return kExitSuccess;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    printOutput("Quorvel %s\n", QUORVEL_VERSION);
    return kExitSuccess;
  }
  RunSettings settings;
  if (!chooseJobs(settings)) return kExitUsage;
  if (argc == 2) return runDirectoryMode(argv[1], settings);
  return runListingMode(argc, argv, settings);
}

void echoArguments(int argc, char** argv) {
  printOutput("%i\t", argc);
  for (int i = 0; i < argc; ++i) printOutput("%s ", argv[i]);
  printOutput("\n");
}

bool isHelpRequest(const std::string& argument) {
  return argument == "-?" || argument == "-h" || argument == "--help";
}

void printUsageLine() {
  printOutput("usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n");
}

// Checked before any work: a mistyped directory must not start a run that
// finds no texture and so removes every converted model's outputs.
static int checkWorkDirectory(const std::string& directory) {
  // An empty one would turn every path into one at the file-system root.
  if (directory.empty()) {
    reportEmptyWorkDirectoryArgument();
    return kExitUsage;
  }
  const EntryInfo entry = lookUpEntry(directory);
  if (entry.target == EntryTarget::Directory) return kExitSuccess;
  const char* why = !entry.exists ? "it does not exist" : entry.target == EntryTarget::Missing ? "it is a dangling link"
                                                                                               : "it is not a directory";
  reportWorkDirectoryUnusable(directory, why);
  return kExitFailure;
}

static void reportWaitingForLock(const Folder& work) { reportWaitingForLock(work.path); }

// Opens the work directory and holds it for this run alone: a second run on
// the same directory waits until this one has ended.
static int openWorkDirectory(const std::string& given, Folder& work) {
  // As the system resolves it ("DIR." on Windows is DIR), so every name
  // joined to it reaches that folder.
  const std::string directory = folderSpelling(given);
  const int usable = checkWorkDirectory(directory);
  if (usable != kExitSuccess) return usable;
  std::string why;
  if (!openFolder(directory, work, why)) {
    reportWorkDirectoryUnusable(directory, why);
    return kExitFailure;
  }
  // A file system without locks still gets its run, with a word about it.
  if (!lockFolder(work, reportWaitingForLock, why))
    reportNotLocked(directory, why);
  return kExitSuccess;
}

int runDirectoryMode(const std::string& directory, const RunSettings& settings) {
  const RunClock::time_point start = RunClock::now();
  Folder work;
  const int opened = openWorkDirectory(directory, work);
  if (opened != kExitSuccess) return opened;
  RunArea run;
  bool cleanedUp = true;
  if (!openRunArea(work, run, cleanedUp)) {
    closeFolder(work);
    return kExitFailure;
  }
  // Every stage runs whatever the one before it left undone.
  RunTally tally;
  const bool decoded = decodeTextures(work, run, settings.jobs, &tally);
  const bool declared = writeUniversalMaterial(work, run);
  // Outside programs run side by side only when the caller said how many may.
  const bool compiled = convertBinaryModels(work, run, &tally, settings.jobsGiven ? settings.jobs : 1);
  closeRunArea(work, run);
  closeFolder(work);
  printDirectorySummary(tally, secondsSince(start));
  return cleanedUp && decoded && declared && compiled ? kExitSuccess : kExitFailure;
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
    reportSwitchRefused(entry.name, entry.value);
    return false;
  }
  return true;
}

static bool convertListing(const char* listingPath, const ConversionOptions& options, const Folder& work,
                           unsigned jobs, RunTally& tally);

int runListingMode(int argc, char** argv, const RunSettings& settings) {
  const RunClock::time_point start = RunClock::now();
  if (argc < kListingModeArgumentCount) {
    printUsageLine();
    return kExitUsage;
  }
  Folder work;
  const int opened = openWorkDirectory(argv[6], work);
  if (opened != kExitSuccess) return opened;
  const ConversionOptions options{argv[2], argv[3], argv[4], argv[5]};
  const bool switchesValid = switchesAreValid(options);
  RunTally tally;
  // Outside programs run side by side only when the caller said how many may.
  const bool listed = convertListing(argv[1], options, work, settings.jobsGiven ? settings.jobs : 1, tally);
  closeFolder(work);
  printListingSummary(tally, secondsSince(start));
  return listed && switchesValid ? kExitSuccess : kExitFailure;
}

// Reads the listing and converts each of its models; false when anything failed.
static bool convertListing(const char* listingPath, const ConversionOptions& options, const Folder& work,
                           unsigned jobs, RunTally& tally) {
  printOutput("processing grep output\n");
  std::string why;
  FILE* listing = openForReading(listingPath, why);
  if (!listing) {
    reportListingNotOpened(listingPath, why);
    return false;
  }
  bool allConverted = true;
  const unsigned count = readModelListing(listing, options, work, jobs, tally, allConverted);
  const bool readOk = !ferror(listing);
  fclose(listing);
  if (!readOk)
    reportListingNotReadToEnd(listingPath);
  printOutput("%u models processed. done.\n", count);
  return allConverted && readOk;
}

