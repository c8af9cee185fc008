#include "diagnostics.h"

#include <cstdio>

constexpr char kPrefix[] = "Quorvel: ";

static bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool holdsControlCharacter(const std::string& name) {
  for (unsigned char c : name)
    if (isControl(c)) return true;
  return false;
}

// The name with control characters written as \n, \r, \t or \xNN.
static std::string shown(const std::string& name) {
  std::string printable;
  for (unsigned char c : name) {
    if (!isControl(c)) printable += static_cast<char>(c);
    else if (c == '\n') printable += "\\n";
    else if (c == '\r') printable += "\\r";
    else if (c == '\t') printable += "\\t";
    else {
      char escaped[5];
      snprintf(escaped, sizeof escaped, "\\x%02x", c);
      printable += escaped;
    }
  }
  return printable;
}

// One standard-error line of the driver's own.
static void report(const std::string& text) { printDiagnostic("%s%s\n", kPrefix, text.c_str()); }

void reportJobCountRefused(const char* value) {
  report("QUORVEL_JOBS is \"" + shown(value) + "\", not a whole number of at least 1; nothing done");
}

void reportEmptyWorkDirectoryArgument() { printOutput("%sthe work directory argument is empty; nothing done\n", kPrefix); }

void reportWorkDirectoryUnusable(const std::string& directory, const std::string& why) {
  report("the work directory " + shown(directory) + " cannot be used: " + why + "; nothing done");
}

void reportWaitingForLock(const std::string& directory) {
  report("waiting for another run on " + shown(directory) + " to end");
}

void reportNotLocked(const std::string& directory, const std::string& why) {
  report("cannot lock the work directory " + shown(directory) + " (" + why + "); going on without the lock");
}

void reportScratchFolderNotMade(const std::string& path) {
  report("cannot make the scratch folder " + shown(path) + "; nothing done");
}

void reportNotOurs(const std::string& path) { report(shown(path) + " holds files that are not Quorvel's; left as it is"); }

void reportCannotList(const std::string& folder, const std::string& why) {
  report("cannot list " + shown(folder) + ": " + why);
}

void reportPassedOver(const std::string& path) { report("passing over " + shown(path) + ": not a regular file"); }

void reportProgramNotFound(const std::string& program, const std::string& besideDriver) {
  report("cannot find the program " + program + " (looked in the current directory, on PATH and beside Quorvel in " +
         shown(besideDriver) + "); every step that needs it fails");
}

// A child given a copy of the user's file is named by the file it works on.
void reportChildNotStarted(const std::string& programPath, const std::string& failure, const std::string& subject) {
  const std::string forWhat = subject.empty() ? "" : " for " + shown(subject);
  report("cannot start the program " + programPath + forWhat + ": " + failure);
}

void reportChildFailed(const std::string& commandLine, const std::string& program, int exitStatus,
                       const std::string& subject) {
  const std::string child = subject.empty() ? shown(commandLine) : program + " on " + shown(subject);
  report(child + " ended with exit status " + std::to_string(exitStatus));
}

void reportNameNotHandedOver(const std::string& program, const std::string& path, const std::string& subject) {
  report("not starting " + program + " on " + shown(subject.empty() ? path : subject) +
         ": it would receive that name as another one (the name does not survive the ANSI code page and has no "
         "short name); rename it");
}

void reportNoTexture(const std::string& containerPath, const std::string& why) {
  report("no texture for " + shown(containerPath) + ": " + why);
}

void reportNotDeclared(const std::string& texturePath) {
  report("not declaring " + shown(texturePath) + ": its name holds a control character");
}

void reportMaterialScriptNotCreated(const std::string& scriptPath) {
  printOutput("Cannot create the material script %s; no materials written\n", scriptPath.c_str());
}

void reportMaterialScriptNotWritten(const std::string& scriptPath) {
  printOutput("Failed to write the material script %s\n", scriptPath.c_str());
}

void reportNotCompiled(const std::string& modelPath, const std::string& why) {
  report("not compiling " + shown(modelPath) + ": " + why);
}

void reportCompiledFormDropped(const std::string& modelPath, const std::string& why) {
  report("kept " + shown(modelPath) + " as it is, without its compiled form: " + why);
}

void reportOldBackup(const std::string& backupPath, const std::string& modelPath) {
  report(shown(backupPath) + " was left by an earlier Quorvel stopped while compiling " + shown(modelPath) +
         "; it may hold that model as it was before: keep or delete it yourself");
}

void reportSwitchRefused(const char* switchName, const std::string& value) {
  report(std::string("the ") + switchName + " switch is \"" + shown(value) +
         "\", which starts neither with 0 nor with 1: no model is converted");
}

void reportListingNotOpened(const std::string& listingPath, const std::string& why) {
  printOutput("Cannot open the model listing %s: %s\n", listingPath.c_str(), why.c_str());
}

void reportListingNotReadToEnd(const std::string& listingPath) {
  report("the model listing " + shown(listingPath) + " could not be read to its end");
}

void reportRecordTooLong(size_t limit) {
  report("skipped a listing record longer than " + std::to_string(limit) + " bytes");
}

void reportSpecialFileNotConverted(const std::string& modelName) {
  report("not converting " + shown(modelName) + ": it is not a regular file or a directory");
}

void reportNoModelFile(const std::string& modelName) {
  report(shown(modelName) + " is not a model file; converting it, deleting nothing for it");
}

void reportMeshUnreadable(const std::string& modelName, const std::string& meshPath) {
  report("removed the outputs of " + shown(modelName) + ": its mesh " + shown(meshPath) + " cannot be read");
}

void reportTextureMissing(const std::string& modelName, const std::string& texturePath) {
  report("removed the outputs of " + shown(modelName) + ": " + shown(texturePath) + " does not exist");
}

void reportNotRemoved(const std::string& outputPath) { report("cannot remove " + shown(outputPath)); }

void printDirectorySummary(const RunTally& tally, double seconds) {
  char line[256];
  snprintf(line, sizeof line, "%u containers decoded, %u already there, %u failed; %u models compiled, %u failed; %.2f s",
           tally.decoded, tally.alreadyThere, tally.decodeFailed, tally.compiled, tally.compileFailed, seconds);
  report(line);
}

void printListingSummary(const RunTally& tally, double seconds) {
  char line[256];
  snprintf(line, sizeof line, "%u models converted, %u removed, %u failed; %.2f s", tally.converted, tally.removed,
           tally.conversionFailed, seconds);
  report(line);
}
