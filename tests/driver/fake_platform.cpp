// The fake implements every platform header of the driver; the stage tests
// link it in place of the real platform layer.
#include "fake_platform.h"


#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "driver.h"
#include "process.h"
#include "platform/child_process.h"
#include "platform/directory_walk.h"
#include "files/file_ops.h"
#include "platform/host_names.h"
#include "platform/priority.h"
#include "platform/process_setup.h"
#include "files/console.h"
#include "files/folder.h"
#include "files/paths.h"

namespace fs = std::filesystem;

static const char kFakeProgramDirectory[] = "/fake-program-dir";

FakePlatform& fakePlatform() {
  static FakePlatform platform;
  return platform;
}

void resetFakePlatform() {
  fakePlatform() = FakePlatform();
  resetMissingProgramReports();
}

std::vector<std::string> eventsIn(const std::string& directory) {
  std::vector<std::string> events = fakePlatform().events;
  for (std::string& event : events)
    for (size_t at; (at = event.find(directory)) != std::string::npos;) event.replace(at, directory.size(), "W");
  return events;
}

FakeChild fakeDecoder(int levels) {
  return [levels](const std::vector<std::string>& argv) {
    if (argv.size() != 3 || argv[1] != "-d") return 1;
    const std::string& container = argv[2];
    const size_t nameStart = container.rfind('/') + 1;
    const std::string base = container.substr(0, container.find('.', nameStart));
    for (int level = 0; level < levels; ++level)
      writeFileText(base + std::to_string(level) + ".tga", "level " + std::to_string(level) + " of " + container);
    return 0;
  };
}

void StageTest::SetUp() {
  resetFakePlatform();
}

void StageTest::touch(const std::string& name, const std::string& text) const { writeFileText(path(name), text); }

std::string StageTest::read(const std::string& name) const {
  const Bytes bytes = readFileBytes(path(name));
  return std::string(bytes.begin(), bytes.end());
}

bool StageTest::has(const std::string& name) const { return fs::exists(path(name)); }

// ---- the platform layer, faked ----

const char* decoderProgramName() { return "Tessark"; }
const char* modelCompilerProgramName() { return "nwnmdlcomp"; }
const char* luaProgramName() { return "lua"; }
bool fileNamesAreCaseSensitive() { return fakePlatform().caseSensitiveNames; }
ProgramSearchRules hostSearchRules() { return posixSearchRules(); }

// Folders are their paths here: every operation is recorded with the full
// path, as the real layer would reach it.
static std::string in(const Folder& folder, const std::string& name) { return pathIn(folder.path, name); }

bool openFolder(const std::string& path, Folder& folder, std::string& why) {
  if (!fs::is_directory(path)) {
    why = "not a directory";
    return false;
  }
  folder.path = path;
  folder.handle = 0;
  return true;
}

bool makeFolderIn(const Folder& parent, const std::string& name) {
  fakePlatform().events.push_back("mkdir " + in(parent, name));
  std::error_code error;
  return fs::create_directory(in(parent, name), error);
}

bool openFolderIn(const Folder& parent, const std::string& name, Folder& folder) {
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(in(parent, name), error))) return false;
  folder.path = in(parent, name);
  folder.handle = 0;
  return true;
}

void closeFolder(Folder& folder) { folder.handle = -1; }

EntryInfo entryIn(const Folder& folder, const std::string& name) { return lookUpEntry(in(folder, name)); }

bool isDirectoryIn(const Folder& folder, const std::string& name) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(in(folder, name), error));
}

bool listFolder(const Folder& folder, std::vector<std::string>& names, std::string& why) {
  names.clear();
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());  // repeatable event lists
  if (error) why = error.message();
  return !error;
}

bool listFilesWithExtension(const Folder& folder, const std::string& extension, std::vector<std::string>& names,
                            std::vector<std::string>& passedOver, std::string& why) {
  if (!listFilesWithExtensionFromListing(folder, extension, names, passedOver, why)) return false;
  if (fakePlatform().reverseWalk) std::reverse(names.begin(), names.end());
  return true;
}

EntryInfo lookUpEntry(const std::string& path) {
  EntryInfo entry;
  std::error_code error;
  const fs::file_status own = fs::symlink_status(path, error);
  if (error || !fs::exists(own)) return entry;
  entry.exists = true;
  entry.isLink = fs::is_symlink(own);
  const fs::file_status target = fs::status(path, error);
  if (error || !fs::exists(target)) return entry;
  entry.target = fs::is_regular_file(target) ? EntryTarget::RegularFile
                 : fs::is_directory(target)  ? EntryTarget::Directory
                                             : EntryTarget::Other;
  return entry;
}

std::string whyNameIsUnusable(const std::string&) { return std::string(); }

std::string folderSpelling(const std::string& path) { return path; }

std::string childSafeNameIn(const Folder&, const std::string& name) { return name; }

bool renameWithoutReplacingIn(const Folder& from, const std::string& fromName, const Folder& to,
                              const std::string& toName) {
  fakePlatform().events.push_back("rename " + in(from, fromName) + " -> " + in(to, toName));
  if (lookUpEntry(in(to, toName)).exists || !lookUpEntry(in(from, fromName)).exists) return false;
  fs::rename(in(from, fromName), in(to, toName));
  return true;
}

bool renameReplacingIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  fakePlatform().events.push_back("rename over " + in(from, fromName) + " -> " + in(to, toName));
  std::error_code error;
  fs::rename(in(from, fromName), in(to, toName), error);
  return !error;
}

bool removeFile(const std::string& path) {
  fakePlatform().events.push_back("delete " + path);
  std::error_code error;
  return !fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error);
}

bool removeFileIn(const Folder& folder, const std::string& name) { return removeFile(in(folder, name)); }

bool removeFolderIn(const Folder& parent, const std::string& name) {
  fakePlatform().events.push_back("rmdir " + in(parent, name));
  std::error_code error;
  return fs::is_directory(fs::symlink_status(in(parent, name), error)) && fs::remove(in(parent, name), error);
}

CreateResult createFileIn(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream) {
  fakePlatform().events.push_back("create " + in(folder, name));
  if (fakePlatform().failCreation) return CreateResult::Failed;
  std::error_code error;
  if (fs::exists(fs::symlink_status(in(folder, name), error))) return CreateResult::NameTaken;
  stream = fopen(in(folder, name).c_str(), mode == FileMode::Text ? "w" : "wb");
  return stream ? CreateResult::Created : CreateResult::Failed;
}

bool aliasFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  fakePlatform().events.push_back("alias " + in(from, fromName) + " as " + in(to, toName));
  std::error_code error;
  fs::copy_file(in(from, fromName), in(to, toName), error);  // fails when the alias exists
  return !error;
}

// Which file is told by its real path here; what it holds by size and time.
static bool fakeStamp(const std::string& path, bool followLink, FileStamp& stamp) {
  std::error_code error;
  const fs::file_status status = followLink ? fs::status(path, error) : fs::symlink_status(path, error);
  if (error || !fs::exists(status)) return false;
  const fs::path real = followLink ? fs::canonical(path, error) : fs::absolute(path, error).lexically_normal();
  stamp = FileStamp();
  stamp.file = std::hash<std::string>()(real.string());
  if (fs::is_regular_file(status)) {
    stamp.size = fs::file_size(path, error);
    stamp.modified = static_cast<int64_t>(fs::last_write_time(path, error).time_since_epoch().count());
  }
  return true;
}

bool fileStampOf(const std::string& path, FileStamp& stamp) { return fakeStamp(path, true, stamp); }

bool fileStampIn(const Folder& folder, const std::string& name, FileStamp& stamp) {
  return fakeStamp(in(folder, name), false, stamp);
}

bool copyPermissionsIn(const Folder&, const std::string&, const Folder&, const std::string&) { return true; }

bool holdFolderWithChildren(const Folder& folder) {
  fakePlatform().events.push_back("hold " + folder.path);
  fakePlatform().heldFolders.insert(folder.path);
  return true;
}

bool folderIsHeld(const Folder& folder) { return fakePlatform().heldFolders.count(folder.path) > 0; }

bool lockFolder(const Folder& folder, void (*)(const Folder&), std::string&) {
  fakePlatform().events.push_back("lock " + folder.path);
  return true;
}

FILE* openForReading(const std::string& path, std::string& why) {
  FILE* stream = fopen(path.c_str(), "rb");
  if (!stream) why = strerror(errno);
  return stream;
}

void prepareProcess() {}
bool errorStreamIsTerminal() { return false; }

bool lowerProcessPriority() {
  fakePlatform().priorityLowered = true;
  return true;
}

static std::string programNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool isRunnableFile(const std::string& path) {
  const size_t slash = path.rfind('/');
  return path.substr(0, slash) == kFakeProgramDirectory && fakePlatform().programs.count(programNameOf(path)) > 0;
}

std::string runningExecutableDirectory() { return kFakeProgramDirectory; }

// Records the Windows command line (and the folder the child works in); the
// simulated child gets the exact argument vector a POSIX child would, and
// runs in that folder, one simulated child at a time.
ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& argv,
                                 const std::string& commandLine, const Folder* workingFolder, ChildOutput*) {
  static std::mutex oneAtATime;
  const std::lock_guard<std::mutex> lock(oneAtATime);
  fakePlatform().events.push_back("run " + commandLine + (workingFolder ? " in " + workingFolder->path : ""));
  const fs::path driverDirectory = fs::current_path();
  if (workingFolder) fs::current_path(workingFolder->path);
  ChildOutcome outcome;
  outcome.started = true;
  outcome.exitStatus = fakePlatform().programs.at(programNameOf(programPath))(argv);
  fs::current_path(driverDirectory);
  return outcome;
}

unsigned usableProcessors() { return 1; }

bool childCanStartInside(const Folder&) { return true; }

bool childReadablePath(std::string&) { return true; }

void passOnChildOutput(FILE* stream, const std::string& bytes) { fwrite(bytes.data(), 1, bytes.size(), stream); }
