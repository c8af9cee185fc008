// The fake implements every platform header of the driver; the stage tests
// link it in place of the real platform layer.
#include "fake_platform.h"


#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver.h"
#include "file_name_match.h"
#include "platform/child_process.h"
#include "platform/directory_walk.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "platform/priority.h"

namespace fs = std::filesystem;

static const char kFakeProgramDirectory[] = "/fake-program-dir";

FakePlatform& fakePlatform() {
  static FakePlatform platform;
  return platform;
}

void resetFakePlatform() { fakePlatform() = FakePlatform(); }

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
char pathSeparator() { return '/'; }
bool fileNamesAreCaseSensitive() { return fakePlatform().caseSensitiveNames; }
ProgramSearchRules hostSearchRules() { return posixSearchRules(); }

bool listFilesWithExtension(const std::string& directory, const std::string& extension,
                            std::vector<std::string>& names, std::vector<std::string>& passedOver) {
  names.clear();
  passedOver.clear();
  std::error_code error;
  fs::directory_iterator entries(directory, error);
  if (error) return false;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!endsWithIgnoringCase(name, extension)) continue;
    (fs::is_regular_file(entry.path(), error) ? names : passedOver).push_back(name);
  }
  std::sort(names.begin(), names.end());
  if (fakePlatform().reverseWalk) std::reverse(names.begin(), names.end());
  return true;
}

bool listEntryNames(const std::string& directory, std::vector<std::string>& names) {
  names.clear();
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());  // repeatable event lists
  return !error;
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

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
  fakePlatform().events.push_back("rename " + from + " -> " + to);
  if (lookUpEntry(to).exists || !lookUpEntry(from).exists) return false;
  fs::rename(from, to);
  return true;
}

bool deleteFile(const std::string& path) {
  fakePlatform().events.push_back("delete " + path);
  std::error_code error;
  return !fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error);
}

bool makeDirectory(const std::string& path) {
  fakePlatform().events.push_back("mkdir " + path);
  std::error_code error;
  return fs::create_directory(path, error);
}

bool removeEmptyDirectory(const std::string& path) {
  fakePlatform().events.push_back("rmdir " + path);
  std::error_code error;
  return fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error);
}

bool aliasFile(const std::string& filePath, const std::string& aliasPath) {
  fakePlatform().events.push_back("alias " + filePath + " as " + aliasPath);
  std::error_code error;
  fs::copy_file(filePath, aliasPath, error);  // fails when aliasPath exists
  return !error;
}

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

// Records the Windows command line; the simulated child gets the exact
// argument vector a POSIX child would.
ChildOutcome startProgramAndWait(const std::string& programPath, const std::vector<std::string>& argv,
                                 const std::string& commandLine) {
  fakePlatform().events.push_back("run " + commandLine);
  ChildOutcome outcome;
  outcome.started = true;
  outcome.exitStatus = fakePlatform().programs.at(programNameOf(programPath))(argv);
  return outcome;
}
