#include "run_report.h"
#include "driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/count_setting.h"
#include "common/help_spellings.h"
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
  if (readCountSetting(text, kMaxJobs, settings.jobs) == CountSetting::Given) return true;
  reportJobCountRefused(text);
  return false;
}

int runQuorvel(int argc, char** argv) {
  prepareProcess();
  lowerProcessPriority();
  // --help and --version print their text alone; every other run starts with
  // the argument echo line, the usage line's runs included.
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    printHelp();
    return kExitSuccess;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    printOutput("Quorvel %s\n", QUORVEL_VERSION);
    return kExitSuccess;
  }
  echoArguments(argc, argv);
  resetMissingProgramReports();
  if (argc == 2 && isHelpRequest(argv[1])) {
    printUsageLine();
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
  return isHelpSpelling(argument.c_str());
}

void printUsageLine() {
  printOutput("usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n");
}

// --help: the usage line, then what a user reaches for next; the manual page
// stays the full reference.
void printHelp() {
  printUsageLine();
  printOutput("Modes:\n");
  printOutput("\tWORKDIR   decode every NAME.dds into NAME.tga with Tessark, write universal.material,\n");
  printOutput("\t          hand every .mdl to the model compiler (nwnmdlcomp -d MODEL RESULT)\n");
  printOutput("\tLISTING   for every \"path:...\" line run lua Drevik.lua -s VALUE [switches] \"path\" and\n");
  printOutput("\t          delete the outputs of models naming a texture missing from WORKDIR;\n");
  printOutput("\t          a switch starting \"0\" adds -noskel, -nobonerot or -noanimpos, \"1\" nothing\n");
  printOutput("\t-? or -h  the usage line alone; --help this text; --version the version\n");
  printOutput("Environment:\n");
  printOutput("\tQUORVEL_JOBS     children at once, a whole number of at least 1 (default: one decoder\n");
  printOutput("\t                 per processor, one model tool at a time)\n");
  printOutput("\tTESSARK_THREADS, TESSARK_SIMD  reach the Tessark it starts (see Tessark --help)\n");
  printOutput("Exit status: 0 everything worked; 1 anything failed (each failure has a line on standard\n");
  printOutput("error); 2 wrong arguments, an empty work directory argument or a bad QUORVEL_JOBS.\n");
  printOutput("Child programs are looked for in the current directory, then on PATH, then beside Quorvel.\n");
  printOutput("Full reference: man Quorvel\n");
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

