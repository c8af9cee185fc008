// A recording fake of the driver's platform layer for stage tests. Files are
// real (tests work in a ScratchDir), but every rename, deletion, creation,
// lock and child start is recorded in order, children are simulated by handlers, and the
// directory walk order can be reversed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "files/folder.h"
#include "scratch_folder.h"
#include "test_support.h"

using FakeChild = std::function<int(const std::vector<std::string>& argv)>;

struct FakePlatform {
  // "run LINE", "delete PATH", "rename FROM -> TO", in the order they happened.
  std::vector<std::string> events;
  // Programs that can be found (beside the driver), by name.
  std::map<std::string, FakeChild> programs;
  bool reverseWalk = false;
  bool caseSensitiveNames = true;
  bool priorityLowered = false;
  bool failCreation = false;  // every exclusive creation fails
  std::set<std::string> heldFolders;  // by a process that is still alive
};

// The one fake every platform call goes to; resetFakePlatform() before each test.
FakePlatform& fakePlatform();
void resetFakePlatform();

// A folder of the fake layer: its path is its handle.
inline Folder folderAt(const std::string& path) { return Folder{path, 0}; }

// The fake's events with every occurrence of `directory` written as "W".
std::vector<std::string> eventsIn(const std::string& directory);

// Simulated decoder: for "-d PATH" writes `levels` level files named like
// the codec tool names them (PATH cut at the first "." of its file name).
FakeChild fakeDecoder(int levels);

struct Captured {
  std::string out;
  std::string err;
};

template <class Body>
Captured captureOutput(Body body) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  body();
  fflush(stdout);
  Captured captured;
  captured.out = testing::internal::GetCapturedStdout();
  captured.err = testing::internal::GetCapturedStderr();
  return captured;
}

// Runs `stage(run)` with a run area opened in `work` and closes the area
// after; the fake's events are those of the stage alone.
template <class Stage>
auto inRunArea(const Folder& work, Stage stage) {
  RunArea run;
  bool cleanedUp = true;
  const bool opened = openRunArea(work, run, cleanedUp);
  fakePlatform().events.clear();
  auto result = stage(run);
  const size_t stageEvents = fakePlatform().events.size();
  if (opened) closeRunArea(work, run);
  fakePlatform().events.resize(stageEvents);
  return result;
}

// Fixture: a fresh fake and a scratch work directory.
class StageTest : public testing::Test {
 protected:
  void SetUp() override;
  std::string dir() const { return scratch_.path().string(); }
  Folder work() const { return folderAt(dir()); }
  std::string path(const std::string& name) const { return dir() + "/" + name; }
  void touch(const std::string& name, const std::string& text = "x") const;
  std::string read(const std::string& name) const;
  bool has(const std::string& name) const;
  std::vector<std::string> events() const { return eventsIn(dir()); }
  std::vector<std::string> files() const { return scratch_.fileNames(); }

 private:
  ScratchDir scratch_;
};
