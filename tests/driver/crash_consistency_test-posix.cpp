// Crash consistency of directory mode: the driver (alone, or with its whole
// process group) is killed at seeded random moments, then run once more to
// the end; every user file must be as it was, every container must have
// level 0 of its own decode as its texture, and nothing else may be left.
// Also a full disk: no incomplete texture is ever installed, and a run after
// space is freed completes. QUORVEL_CRASH_TRIALS and QUORVEL_CRASH_SEED set
// how many trials run and where the random moments start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "container_builder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, Bytes>;

Files filesIn(const fs::path& dir) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir))
    files[entry.path().filename().string()] = entry.is_regular_file() ? readFileBytes(entry.path()) : Bytes{};
  return files;
}

unsigned environmentNumber(const char* name, unsigned fallback) {
  const char* value = getenv(name);
  return value && *value ? static_cast<unsigned>(strtoul(value, nullptr, 10)) : fallback;
}

// Names that collide with one another's level files, and user files that
// carry level names, as a user's folder may.
const char* const kContainers[] = {"rock.dds", "rock1.dds", "t0.dds", "t01.dds", "t012.dds", "a.b.dds"};
const char* const kUserFiles[] = {"rock10.tga", "t00.tga", "t05.tga", "a1.tga", "a0.tga", "texture0.tga", "m.mdl"};

struct WorkSet {
  Files before;    // the work directory as the user left it
  Files textures;  // NAME.tga -> level 0 of decoding NAME.dds alone
};

WorkSet makeWorkSet() {
  WorkSet set;
  uint8_t seed = 1;
  for (const char* name : kContainers) {
    Bytes block;
    for (int i = 0; i < 16; ++i) block.push_back(static_cast<uint8_t>(seed * 37 + i * 11));
    set.before[name] = makeContainer(64, 64, 4, block);
    ++seed;
  }
  for (const char* name : kUserFiles) {
    const std::string text = std::string("user file ") + name + "\n";
    set.before[name] = Bytes(text.begin(), text.end());
  }
  for (const char* name : kContainers) {
    ScratchDir alone;
    writeFileBytes(alone / "c.dds", set.before[name]);
    runProgram(TESSARK_PATH, {"-d", "c.dds"}, alone.path());
    const std::string base(name, strlen(name) - 4);
    set.textures[base + ".tga"] = readFileBytes(alone / "c0.tga");
  }
  return set;
}

void writeWorkSet(const fs::path& dir, const WorkSet& set) {
  fs::create_directories(dir);
  for (const auto& [name, bytes] : set.before) writeFileBytes(dir / name, bytes);
}

// The property after a complete run; `where` names the trial.
void expectConsistent(const fs::path& dir, const WorkSet& set, const std::string& where) {
  Files expected = set.before;
  for (const auto& [name, bytes] : set.textures) expected[name] = bytes;
  Files actual = filesIn(dir);
  EXPECT_TRUE(actual.count("universal.material")) << where;
  actual.erase("universal.material");
  for (const auto& [name, bytes] : actual) {
    const auto wanted = expected.find(name);
    if (wanted == expected.end()) {
      ADD_FAILURE() << where << ": stray " << name;
    } else if (bytes != wanted->second) {
      ADD_FAILURE() << where << ": " << name << " is not what it should be (" << bytes.size() << " bytes)";
    }
  }
  for (const auto& [name, bytes] : expected) EXPECT_TRUE(actual.count(name)) << where << ": " << name << " is missing";
}

// Starts Quorvel on `dir` in a process group of its own; returns its pid.
pid_t startQuorvel(const fs::path& dir) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const std::string work = dir.string();
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
    execl(QUORVEL_PATH, QUORVEL_PATH, work.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the group exists before any kill
  return pid;
}

void sleepMicroseconds(long microseconds) {
  timespec pause{microseconds / 1000000, (microseconds % 1000000) * 1000};
  nanosleep(&pause, nullptr);
}

// Waits for every process of the group, the orphaned decoder included (the
// test is their subreaper), so the next run never meets a child of the
// killed one.
void waitForGroupToEnd(pid_t group) {
  int status = 0;
  while (waitpid(-group, &status, 0) > 0 || errno == EINTR) {
  }
}

// The model-compiler stand-in, found on PATH as the real one would be.
void putModelCompilerOnPath() {
  const char* path = getenv("PATH");
  const std::string folder = fs::path(NWNMDLCOMP_PATH).parent_path().string();
  if (path && std::string(path).rfind(folder + ":", 0) == 0) return;
  setenv("PATH", (folder + ":" + (path ? path : "")).c_str(), 1);
}

TEST(CrashConsistency, KilledAtRandomMomentsThenRunAgain) {
  // Orphans of a killed driver become ours, so they can be waited for.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  putModelCompilerOnPath();
  const WorkSet set = makeWorkSet();
  ScratchDir scratch;
  // How long a whole run takes here: the kills fall within it.
  writeWorkSet(scratch / "timing", set);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(runProgram(QUORVEL_PATH, {(scratch / "timing").string()}, scratch.path()).exitStatus, 0);
  const long runMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  expectConsistent(scratch / "timing", set, "an uninterrupted run");

  const unsigned trials = environmentNumber("QUORVEL_CRASH_TRIALS", 24);
  const unsigned seed = environmentNumber("QUORVEL_CRASH_SEED", 20261208);
  std::mt19937 random(seed);
  for (unsigned trial = 0; trial < trials; ++trial) {
    const bool wholeGroup = trial % 2 == 1;
    const long delay = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
    const std::string where = "seed " + std::to_string(seed) + ", trial " + std::to_string(trial) + ", kill " +
                              (wholeGroup ? "the group" : "the driver") + " after " + std::to_string(delay) + " us";
    const fs::path dir = scratch / ("trial" + std::to_string(trial));
    writeWorkSet(dir, set);
    const pid_t pid = startQuorvel(dir);
    sleepMicroseconds(delay);
    kill(wholeGroup ? -pid : pid, SIGKILL);
    waitForGroupToEnd(pid);
    const ProgramResult rerun = runProgram(QUORVEL_PATH, {dir.string()}, scratch.path());
    EXPECT_EQ(rerun.exitStatus, 0) << where << "\n" << rerun.err;
    expectConsistent(dir, set, where);
    fs::remove_all(dir);
  }
}

// A small filesystem of its own (needs root); a filler leaves little room.
class SmallFilesystem {
 public:
  explicit SmallFilesystem(const fs::path& at) : at_(at) {
    fs::create_directory(at_);
    mounted_ = system(("mount -t tmpfs -o size=512k tmpfs '" + at_.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~SmallFilesystem() {
    if (mounted_) (void)!system(("umount '" + at_.string() + "'").c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path at_;
  bool mounted_ = false;
};

TEST(CrashConsistency, FullDiskInstallsNoIncompleteTextureAndARerunCompletes) {
  putModelCompilerOnPath();
  const WorkSet set = makeWorkSet();
  for (size_t free : {size_t{0}, size_t{8192}, size_t{20480}, size_t{40960}, size_t{65536}}) {
    const std::string where = std::to_string(free) + " bytes free";
    ScratchDir outer;
    SmallFilesystem small(outer / "small");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const fs::path dir = outer / "small" / "work";
    writeWorkSet(dir, set);
    const fs::space_info space = fs::space(dir);
    writeFileBytes(outer / "small" / "filler", Bytes(space.available > free ? space.available - free : 0, 0xEE));
    const ProgramResult full = runProgram(QUORVEL_PATH, {dir.string()}, outer.path());
    for (const auto& [name, bytes] : filesIn(dir)) {
      const auto texture = set.textures.find(name);
      if (texture != set.textures.end()) {
        EXPECT_EQ(bytes, texture->second) << where << ": incomplete " << name;
      }
    }
    if (filesIn(dir).size() < set.before.size() + set.textures.size() + 1) {
      EXPECT_NE(full.exitStatus, 0) << where << ": a run that left work undone must say so";
    }
    fs::remove(outer / "small" / "filler");
    const ProgramResult rerun = runProgram(QUORVEL_PATH, {dir.string()}, outer.path());
    EXPECT_EQ(rerun.exitStatus, 0) << where << "\n" << rerun.err;
    expectConsistent(dir, set, where + ", after freeing space");
  }
}

}  // namespace
