// Every line the driver prints about a failure, a refusal or a notice, and
// its summary line, each worded in one place. Lines of the driver's own start
// with "Quorvel: "; names are written with control characters escaped, so
// each line stays one line whatever a file name holds. Standard-error lines
// follow everything printed on standard output before them.
#pragma once

#include <cstddef>
#include <string>

#include "run_report.h"

// True when the name holds a control character (line feed, carriage return,
// tab or any other below 0x20, or 0x7F).
bool holdsControlCharacter(const std::string& name);

// Start-up and the work directory.
void reportJobCountRefused(const char* value);  // QUORVEL_JOBS
void reportEmptyWorkDirectoryArgument();        // on standard output
void reportWorkDirectoryUnusable(const std::string& directory, const std::string& why);
void reportWaitingForLock(const std::string& directory);
void reportNotLocked(const std::string& directory, const std::string& why);
void reportScratchFolderNotMade(const std::string& path);
void reportNotOurs(const std::string& path);  // a folder holding files that are not Quorvel's
void reportCannotList(const std::string& folder, const std::string& why);
void reportPassedOver(const std::string& path);  // not a regular file

// Children. `subject` is the user's file a child works on when its command
// line names only a copy of it (the decoder's), else "".
void reportProgramNotFound(const std::string& program, const std::string& besideDriver);
void reportChildNotStarted(const std::string& programPath, const std::string& failure, const std::string& subject);
void reportChildFailed(const std::string& commandLine, const std::string& program, int exitStatus,
                       const std::string& subject);
void reportNameNotHandedOver(const std::string& program, const std::string& path, const std::string& subject);

// Directory mode's stages.
void reportNoTexture(const std::string& containerPath, const std::string& why);
void reportNotDeclared(const std::string& texturePath);                // its name holds a control character
void reportMaterialScriptNotCreated(const std::string& scriptPath);    // on standard output
void reportMaterialScriptNotWritten(const std::string& scriptPath);    // on standard output
void reportNotCompiled(const std::string& modelPath, const std::string& why);
void reportCompiledFormDropped(const std::string& modelPath, const std::string& why);
void reportOldBackup(const std::string& backupPath, const std::string& modelPath);

// Listing mode.
void reportSwitchRefused(const char* switchName, const std::string& value);
void reportListingNotOpened(const std::string& listingPath, const std::string& why);  // on standard output
void reportListingNotReadToEnd(const std::string& listingPath);
void reportRecordTooLong(size_t limit);
void reportSpecialFileNotConverted(const std::string& modelName);
void reportNoModelFile(const std::string& modelName);
void reportMeshUnreadable(const std::string& modelName, const std::string& meshPath);
void reportTextureMissing(const std::string& modelName, const std::string& texturePath);
void reportNotRemoved(const std::string& outputPath);

// The summary line that ends a run, such as "Quorvel: 12 containers decoded,
// 3 already there, 1 failed; 5 models compiled, 0 failed; 1.25 s".
void printDirectorySummary(const RunTally& tally, double seconds);
void printListingSummary(const RunTally& tally, double seconds);
