// Crash consistency: the driver (alone, by SIGKILL or SIGTERM, or with its
// whole process group) is killed at seeded random moments, then run once more
// to the end, at once or after its children are gone; every user file must
// be as it was, every container must have level 0 of its own decode as its
// texture, and nothing else may be left. Two runs started on one folder at
// seeded gaps must leave what two runs one after the other leave. Listing
// mode killed the same ways must leave each model's outputs as one complete
// run would. Also a full disk: no incomplete texture is ever installed, and a
// run after space is freed completes. QUORVEL_CRASH_TRIALS and
// QUORVEL_CRASH_SEED set how many trials run and where the random moments
// start.
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
#include <functional>
#include <map>
#include <random>

#include "container_builder.h"
#include "files/file_faults.h"
#include "tga_builder.h"
#include "test_support.h"
#include "tool/output_file.h"

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

// Starts `program` (Quorvel unless said) with `args` in `cwd`, in a process
// group of its own, with `ignored` ignored as nohup or `trap ''` would leave
// it (0: none); returns its pid.
pid_t startQuorvel(const std::vector<std::string>& args, const fs::path& cwd, int ignored = 0,
                   const char* program = QUORVEL_PATH) {
  std::vector<char*> argv{const_cast<char*>(program)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (ignored) signal(ignored, SIG_IGN);
    if (chdir(cwd.c_str()) != 0) _exit(125);
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
    execv(program, argv.data());
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the group exists before any kill
  return pid;
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

// How a trial ends a run: which signal to whom, and whether the rerun
// starts at once (meeting children that may still be ending) or after the
// whole group is gone.
struct KillKind {
  const char* label;
  int signal;
  bool wholeGroup;
  bool rerunAtOnce;
};
const KillKind kKillKinds[] = {{"SIGKILL to the driver", SIGKILL, false, false},
                               {"SIGKILL to the group", SIGKILL, true, false},
                               {"SIGKILL to the driver, rerun at once", SIGKILL, false, true},
                               {"SIGTERM to the driver, rerun at once", SIGTERM, false, true}};

// Microseconds one uninterrupted run takes here: the kills fall within it.
long timeOneRun(const std::vector<std::string>& args, const fs::path& cwd) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(runProgram(QUORVEL_PATH, args, cwd).exitStatus, 0);
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

// Kills a run of `args` at a seeded moment per trial, reruns it, and checks
// `consistent` after the rerun; `prepare` lays out a fresh trial folder.
void killAndRerunTrials(const char* mode, const std::vector<std::string>& args, const fs::path& cwd,
                        const std::function<void()>& prepare, const std::function<void(const std::string&)>& consistent) {
  prepare();
  const long runMicroseconds = timeOneRun(args, cwd);
  consistent(std::string(mode) + ", an uninterrupted run");
  const unsigned trials = environmentNumber("QUORVEL_CRASH_TRIALS", 24);
  const unsigned seed = environmentNumber("QUORVEL_CRASH_SEED", 20261208);
  std::mt19937 random(seed);
  for (unsigned trial = 0; trial < trials; ++trial) {
    const KillKind& kind = kKillKinds[trial % (sizeof kKillKinds / sizeof kKillKinds[0])];
    const long delay = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
    const std::string where = std::string(mode) + ", seed " + std::to_string(seed) + ", trial " +
                              std::to_string(trial) + ", " + kind.label + " after " + std::to_string(delay) + " us";
    prepare();
    const pid_t pid = startQuorvel(args, cwd);
    sleepMicroseconds(delay);
    kill(kind.wholeGroup ? -pid : pid, kind.signal);
    if (kind.rerunAtOnce) waitForExit(pid);
    else waitForGroupToEnd(pid);
    const ProgramResult rerun = runProgram(QUORVEL_PATH, args, cwd);
    EXPECT_EQ(rerun.exitStatus, 0) << where << "\n" << rerun.err;
    waitForGroupToEnd(pid);
    // A rerun at once may meet the killed run's area still held by a child
    // that is ending; it leaves that area alone, and the next run removes it.
    if (kind.rerunAtOnce && fs::exists(cwd / args.back() / ".quorvel-scratch")) {
      EXPECT_EQ(runProgram(QUORVEL_PATH, args, cwd).exitStatus, 0) << where;
    }
    consistent(where);
  }
}

TEST(CrashConsistency, KilledAtRandomMomentsThenRunAgain) {
  // Orphans of a killed driver become ours, so they can be waited for.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  putModelCompilerOnPath();
  const WorkSet set = makeWorkSet();
  ScratchDir scratch;
  const fs::path dir = scratch / "work";
  killAndRerunTrials(
      "directory mode", {dir.string()}, scratch.path(),
      [&] {
        fs::remove_all(dir);
        writeWorkSet(dir, set);
      },
      [&](const std::string& where) { expectConsistent(dir, set, where); });
}

// The work set laid out in `scratch`/work with the model compiler on PATH,
// and how long one uninterrupted run on it takes.
struct TimedWork {
  WorkSet set;
  fs::path dir;
  long runMicroseconds;
};
TimedWork layTimedWork(const ScratchDir& scratch) {
  putModelCompilerOnPath();
  TimedWork work{makeWorkSet(), scratch / "work", 0};
  writeWorkSet(work.dir, work.set);
  work.runMicroseconds = timeOneRun({work.dir.string()}, scratch.path());
  return work;
}

// The second run waits for the first and then finds its work done.
TEST(CrashConsistency, TwoRunsOnOneFolderAtSeededGaps) {
  ScratchDir scratch;
  const auto [set, dir, runMicroseconds] = layTimedWork(scratch);
  const unsigned trials = environmentNumber("QUORVEL_CRASH_TRIALS", 24) / 2;
  const unsigned seed = environmentNumber("QUORVEL_CRASH_SEED", 20261208);
  std::mt19937 random(seed);
  for (unsigned trial = 0; trial < trials; ++trial) {
    const long gap = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
    const std::string where = "two runs, seed " + std::to_string(seed) + ", trial " + std::to_string(trial) +
                              ", second after " + std::to_string(gap) + " us";
    fs::remove_all(dir);
    writeWorkSet(dir, set);
    const pid_t first = startQuorvel({dir.string()}, scratch.path());
    sleepMicroseconds(gap);
    const pid_t second = startQuorvel({dir.string()}, scratch.path());
    EXPECT_EQ(waitForExit(first), 0) << where;
    EXPECT_EQ(waitForExit(second), 0) << where;
    expectConsistent(dir, set, where);
  }
}

// Listing mode: models whose every material has a texture keep their
// outputs (their own material file removed), the others have none, and the
// user's files stay as they were.
TEST(CrashConsistency, ListingModeKilledThenRunAgain) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  ScratchDir scratch;
  fs::create_directory(scratch / "tools");
  fs::create_symlink(LUA_INTERPRETER, scratch / "tools/lua");
  const char* path = getenv("PATH");
  setenv("PATH", ((scratch / "tools").string() + ":" + (path ? path : "")).c_str(), 1);
  fs::copy_file(DREVIK_SCRIPT, scratch / "Drevik.lua");
  const fs::path dir = scratch / "w";
  Files user{{"rock.tga", Bytes{1, 2, 3}}, {"notes.txt", Bytes{'n'}}};
  std::string listing;
  for (int model = 0; model < 6; ++model) {
    const std::string name = "m" + std::to_string(model) + ".mdl";
    const std::string text = model % 2 ? "bitmap rock\nbitmap gone\n" : "bitmap rock\n";
    user[name] = Bytes(text.begin(), text.end());
    listing += "w/" + name + ":1:bitmap\n";
  }
  writeFileText(scratch / "listing.txt", listing);
  killAndRerunTrials(
      "listing mode", {"listing.txt", "1", "1", "1", "1", "w"}, scratch.path(),
      [&] {
        fs::remove_all(dir);
        fs::create_directory(dir);
        for (const auto& [name, bytes] : user) writeFileBytes(dir / name, bytes);
      },
      [&](const std::string& where) {
        Files actual = filesIn(dir);
        for (const auto& [name, bytes] : user) {
          EXPECT_EQ(actual[name], bytes) << where << ": " << name;
          actual.erase(name);
        }
        for (int model = 0; model < 6; model += 2)
          for (const char* suffix : {".mesh.xml", ".mesh", ".skeleton.xml", ".skeleton"})
            EXPECT_EQ(actual.erase("m" + std::to_string(model) + ".mdl" + suffix), 1u) << where << ": m" << model << suffix;
        for (const auto& [name, bytes] : actual) ADD_FAILURE() << where << ": stray " << name;
      });
}

// A model compiler that, like one rewriting its output in place, first cuts
// its output short and only later writes it whole; `before` runs first.
void putSlowCompilerOnPath(const fs::path& tools, const std::string& before = "") {
  fs::create_directories(tools);
  writeFileText(tools / "nwnmdlcomp", "#!/bin/sh\n" + before + "printf PARTIAL > \"$3\"\nsleep 0.02\nexec '" +
                                          std::string(NWNMDLCOMP_PATH) + "' \"$@\"\n");
  fs::permissions(tools / "nwnmdlcomp", fs::perms::owner_all);
  const char* path = getenv("PATH");
  setenv("PATH", (tools.string() + ":" + (path ? path : "")).c_str(), 1);
}

std::string binaryModel(const std::string& text) { return std::string(4, '\0') + text; }

// Killed while slow compilers cut their output short, then the user edits
// one model, deletes another, or does nothing: the models are never left cut
// short (a listing-mode run finds each whole), and the rerun compiles what
// the user left and loses nothing the user did.
TEST(CrashConsistency, ModelsKilledWhileCompilingThenEditedDeletedOrLeft) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  ScratchDir scratch;
  putSlowCompilerOnPath(scratch / "tools");
  fs::create_symlink(LUA_INTERPRETER, scratch / "tools/lua");
  fs::copy_file(DREVIK_SCRIPT, scratch / "Drevik.lua");
  const fs::path dir = scratch / "w";
  const std::vector<std::string> models{"m0.mdl", "m1.mdl", "m2.mdl", "m3.mdl"};
  std::string listing;
  for (const std::string& name : models) listing += "w/" + name + ":1:x\n";
  writeFileText(scratch / "listing.txt", listing);
  const auto textOf = [](const std::string& name) { return "newmodel " + name + "\nbitmap rock\n"; };
  const auto prepare = [&] {
    fs::remove_all(dir);
    fs::create_directory(dir);
    writeFileText(dir / "rock.tga", "");
    for (const std::string& name : models) writeFileText(dir / name, binaryModel(textOf(name)));
  };
  const std::vector<std::string> args{dir.string()};
  prepare();
  const long runMicroseconds = timeOneRun(args, scratch.path());
  const unsigned trials = environmentNumber("QUORVEL_CRASH_TRIALS", 24);
  const unsigned seed = environmentNumber("QUORVEL_CRASH_SEED", 20261208);
  std::mt19937 random(seed);
  const char* const edits[] = {"an edit", "a deletion", "nothing"};
  for (unsigned trial = 0; trial < trials; ++trial) {
    const KillKind& kind = kKillKinds[trial % (sizeof kKillKinds / sizeof kKillKinds[0])];
    const unsigned edit = trial % 3;
    const long delay = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
    const std::string where = "models, seed " + std::to_string(seed) + ", trial " + std::to_string(trial) + ", " +
                              kind.label + " after " + std::to_string(delay) + " us, then " + edits[edit];
    prepare();
    const pid_t pid = startQuorvel(args, scratch.path());
    sleepMicroseconds(delay);
    kill(kind.wholeGroup ? -pid : pid, kind.signal);
    waitForGroupToEnd(pid);
    for (const std::string& name : models) {
      const Bytes bytes = readFileBytes(dir / name);
      const std::string now(bytes.begin(), bytes.end());
      EXPECT_TRUE(now == binaryModel(textOf(name)) || now == textOf(name)) << where << ": " << name << " is cut short";
    }
    const ProgramResult listed = runProgram(QUORVEL_PATH, {"listing.txt", "1", "1", "1", "1", "w"}, scratch.path());
    EXPECT_EQ(listed.exitStatus, 0) << where;
    EXPECT_EQ(listed.err.find("removed the outputs"), std::string::npos) << where << ": listing mode met a cut model\n"
                                                                        << listed.err;
    if (edit == 0) writeFileText(dir / "m1.mdl", binaryModel("newmodel m1 edited\nbitmap rock\n"));
    if (edit == 1) fs::remove(dir / "m2.mdl");
    const ProgramResult rerun = runProgram(QUORVEL_PATH, args, scratch.path());
    EXPECT_EQ(rerun.exitStatus, 0) << where << "\n" << rerun.err;
    for (const std::string& name : models) {
      if (edit == 1 && name == "m2.mdl") {
        EXPECT_FALSE(fs::exists(dir / name)) << where << ": a deleted model came back";
        continue;
      }
      const std::string wanted = edit == 0 && name == "m1.mdl" ? "newmodel m1 edited\nbitmap rock\n" : textOf(name);
      const Bytes bytes = readFileBytes(dir / name);
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), wanted) << where << ": " << name;
    }
    EXPECT_FALSE(fs::exists(dir / ".quorvel-scratch")) << where;
  }
}

// A compiler that leaves a helper running in the background (a compile
// server) keeps no later run waiting.
TEST(CrashConsistency, AChildsHelperLeftRunningKeepsNoLaterRunWaiting) {
  ScratchDir scratch;
  putSlowCompilerOnPath(scratch / "tools", "sh -c 'echo $$ > \"$0\"; exec sleep 300' \"$PWD/helper.pid\" &\n");
  const fs::path dir = scratch / "w";
  fs::create_directory(dir);
  writeFileText(dir / "m.mdl", binaryModel("newmodel m\n"));
  EXPECT_EQ(runProgram(QUORVEL_PATH, {"w"}, scratch.path()).exitStatus, 0);
  // Bounded by runProgram's time limit: a run that waits for the helper fails.
  const ProgramResult second = runProgram("/usr/bin/timeout", {"20", QUORVEL_PATH, "w"}, scratch.path());
  EXPECT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_EQ(second.err.find("waiting for another run"), std::string::npos) << second.err;
  const Bytes pid = readFileBytes(scratch / "helper.pid");
  if (!pid.empty()) kill(std::stoi(std::string(pid.begin(), pid.end())), SIGKILL);
}

// Under nohup, or a script's trap '' INT, the signal sent to the whole group
// ends no child: every child keeps what the caller ignored.
TEST(CrashConsistency, SignalsTheCallerIgnoredEndNoChild) {
  ScratchDir scratch;
  const auto [set, dir, runMicroseconds] = layTimedWork(scratch);
  std::mt19937 random(environmentNumber("QUORVEL_CRASH_SEED", 20261208));
  for (int ignored : {SIGHUP, SIGINT}) {
    for (unsigned trial = 0; trial < environmentNumber("QUORVEL_CRASH_TRIALS", 24) / 4; ++trial) {
      const long delay = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
      const std::string where = std::string(strsignal(ignored)) + " ignored and sent after " + std::to_string(delay) + " us";
      fs::remove_all(dir);
      writeWorkSet(dir, set);
      const pid_t pid = startQuorvel({dir.string()}, scratch.path(), ignored);
      sleepMicroseconds(delay);
      kill(-pid, ignored);
      EXPECT_EQ(waitForExit(pid), 0) << where;
      expectConsistent(dir, set, where);
    }
  }
}

// Tessark ended by a signal while it writes leaves no temporary file: its
// temporaries vanish with the process where the system has such files, and
// are removed by the signals that can be caught where it has not.
TEST(CrashConsistency, TessarkEndedBySignalsLeavesNoTemporary) {
  ScratchDir scratch;
  writeFileBytes(scratch / "big.tga", makeTga(2048, 2048, 32, false, [](uint32_t x, uint32_t y) {
                   return Bgra{uint8_t(x), uint8_t(y), uint8_t(x ^ y), uint8_t(x + y)};
                 }));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(runProgram(TESSARK_PATH, {"-e", "big.tga"}, scratch.path()).exitStatus, 0);
  const long runMicroseconds =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  const Bytes complete = readFileBytes(scratch / "big.dds");
  std::mt19937 random(environmentNumber("QUORVEL_CRASH_SEED", 20261208));
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGKILL}) {
    for (int trial = 0; trial < 3; ++trial) {
      const long delay = std::uniform_int_distribution<long>(0, runMicroseconds)(random);
      const std::string where = std::string(strsignal(signal)) + " after " + std::to_string(delay) + " us";
      fs::remove(scratch / "big.dds");
      const pid_t pid = startQuorvel({"-e", "big.tga"}, scratch.path(), 0, TESSARK_PATH);
      sleepMicroseconds(delay);
      kill(pid, signal);
      const int status = waitForExit(pid);
      EXPECT_TRUE(status == 0 || status == 128 + signal) << where << ": " << status;
      for (const std::string& name : scratch.fileNames())
        EXPECT_TRUE(name == "big.tga" || (name == "big.dds" && readFileBytes(scratch / name) == complete))
            << where << ": " << name;
    }
  }
}

// Where temporaries must be named (no unnamed files), each catchable signal
// removes the one being written before the process ends by that signal.
TEST(CrashConsistency, ANamedTemporaryGoesWithTheSignalThatEndsTheProcess) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    ScratchDir scratch;
    const pid_t pid = fork();
    if (pid == 0) {
      FileFaults faults;
      faults.vanishingFilesRefused = true;
      plantFileFaults(faults);
      OutputFile file;
      if (!createOutputFile((scratch / "out.dds").string(), file)) _exit(3);
      fputs("part of a container", file.stream);
      fflush(file.stream);
      raise(signal);
      _exit(4);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal) << ": " << status;
    EXPECT_EQ(scratch.fileNames(), std::vector<std::string>{}) << strsignal(signal);
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
