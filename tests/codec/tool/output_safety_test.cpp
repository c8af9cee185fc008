// Tessark's outputs are all-or-nothing: writes are made to fail part way (a
// file-size limit, a full filesystem) and the process is killed mid-write;
// under every final name there must then be the complete new file, the
// complete older file, or (if there was none) no file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "common/file_names.h"
#include "container_builder.h"
#include "files/vanishing_file.h"
#include "tga_builder.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, Bytes>;

Files filesIn(const fs::path& dir) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = readFileBytes(entry.path());
  }
  return files;
}

// One operation: its input file and command, and what a clean run writes.
struct Operation {
  const char* name;
  std::string input;
  Bytes inputBytes;
  std::vector<std::string> args;
  Files outputs;  // filled by a run without limits
};

std::vector<Operation> operations() {
  Bytes block;
  for (int i = 0; i < 16; ++i) block.push_back(static_cast<uint8_t>(0x3D * i + 7));
  std::vector<Operation> ops = {
      {"decode", "rock.dds", makeContainer(64, 64, 4, block), {"-d", "rock.dds"}, {}},
      {"encode", "rock.tga", makeTga(64, 64, 32, true, naturalPixel), {"-e", "rock.tga"}, {}},
  };
  for (Operation& op : ops) {
    ScratchDir dir;
    writeFileBytes(dir / op.input, op.inputBytes);
    EXPECT_EQ(runProgram(TESSARK_PATH, op.args, dir.path()).exitStatus, 0);
    op.outputs = filesIn(dir.path());
    op.outputs.erase(op.input);
  }
  return ops;
}

// Writes the input and, when asked, an older file under every output name.
Files prepare(const fs::path& dir, const Operation& op, bool withOlderFiles) {
  writeFileBytes(dir / op.input, op.inputBytes);
  Files older;
  if (!withOlderFiles) return older;
  for (const auto& [name, bytes] : op.outputs) {
    older[name] = Bytes(bytes.size() / 3 + 1, static_cast<uint8_t>(name.size()));
    writeFileBytes(dir / name, older[name]);
  }
  return older;
}

// The all-or-nothing property after a run; temporary files are allowed only
// when the process was killed (it had no chance to remove them).
void expectAllOrNothing(const fs::path& dir, const Operation& op, const Files& older, bool killed,
                        const std::string& where) {
  for (const auto& [name, bytes] : filesIn(dir)) {
    if (name == op.input) continue;
    if (isTessarkTemporaryName(name)) {
      EXPECT_TRUE(killed) << where << ": temporary " << name << " left by a process that was not killed";
      continue;
    }
    const auto fresh = op.outputs.find(name);
    ASSERT_NE(fresh, op.outputs.end()) << where << ": unexpected file " << name;
    const auto old = older.find(name);
    EXPECT_TRUE(bytes == fresh->second || (old != older.end() && bytes == old->second))
        << where << ": " << name << " is neither complete nor the older file (" << bytes.size() << " bytes)";
  }
  for (const auto& [name, bytes] : older) EXPECT_TRUE(fs::exists(dir / name)) << where << ": older " << name << " lost";
}

// A file-size limit (in 512-byte blocks) makes a write fail part way:
// with SIGXFSZ ignored the write fails and Tessark reports it; left to its
// default the signal kills the process mid-write.
TEST(OutputSafety, FileSizeLimitAndKillMidWrite) {
  if (runsOnWindows()) GTEST_SKIP() << "file-size limits are set with a POSIX shell";
  for (const Operation& op : operations()) {
    size_t largest = 0;
    for (const auto& [name, bytes] : op.outputs) largest = std::max(largest, bytes.size());
    const int blocksNeeded = static_cast<int>((largest + 511) / 512);
    // From one block up: the captured standard output needs that much.
    for (int blocks = 1; blocks <= blocksNeeded; ++blocks) {
      for (bool ignoreSignal : {true, false}) {
        for (bool withOlderFiles : {false, true}) {
          const std::string where = std::string(op.name) + ", limit " + std::to_string(blocks * 512) +
                                    (ignoreSignal ? ", signal ignored" : ", killed") + (withOlderFiles ? ", older files" : "");
          ScratchDir dir;
          const Files older = prepare(dir.path(), op, withOlderFiles);
          const std::string command = std::string(ignoreSignal ? "trap '' XFSZ; " : "") + "ulimit -f " +
                                      std::to_string(blocks) + " && exec \"$0\" " + op.args[0] + " " + op.args[1];
          const ProgramResult result = runProgram("/bin/sh", {"-c", command, TESSARK_PATH}, dir.path());
          const bool complete = blocks == blocksNeeded;
          if (complete) {
            EXPECT_EQ(result.exitStatus, 0) << where;
          } else if (ignoreSignal) {
            EXPECT_EQ(result.exitStatus, 1) << where;
            EXPECT_NE(result.out.find("Failed to write output file: "), std::string::npos) << where;
          } else {
            EXPECT_GE(result.exitStatus, 128) << where << ": the signal must have killed it";
          }
          expectAllOrNothing(dir.path(), op, older, !ignoreSignal, where);
          if (complete) {
            EXPECT_EQ(filesIn(dir.path()).size(), op.outputs.size() + 1) << where;
          }
        }
      }
    }
  }
}

// Two threads write a large source's level 0 while the rest is encoded. A
// file-size limit in the header, in level 0, in level 1 or none must end as
// with one thread: the same status, standard output and files.
TEST(OutputSafety, ThreadedEncodeEndsAsOneThreadDoes) {
  if (runsOnWindows()) GTEST_SKIP() << "file-size limits are set with a POSIX shell";
  Operation op{"large encode", "big.tga", makeTga(1024, 1024, 24, false, naturalPixel), {"-e", "big.tga"}, {}};
  op.outputs["big.dds"] = Bytes(700000);  // sizes the older file only
  for (int blocks : {1, 300, 1100, 4000}) {
    for (bool ignoreSignal : {true, false}) {
      for (bool withOlderFiles : {false, true}) {
        const std::string where = "limit " + std::to_string(blocks * 512) + (ignoreSignal ? ", signal ignored" : ", killed") +
                                  (withOlderFiles ? ", older container" : "");
        ProgramResult results[2];
        Files files[2];
        for (int threads : {1, 2}) {
          ScratchDir dir;
          const Files older = prepare(dir.path(), op, withOlderFiles);
          const std::string command = std::string(ignoreSignal ? "trap '' XFSZ; " : "") + "ulimit -f " +
                                      std::to_string(blocks) + " && TESSARK_THREADS=" + std::to_string(threads) +
                                      " exec \"$0\" -e big.tga";
          results[threads - 1] = runProgram("/bin/sh", {"-c", command, TESSARK_PATH}, dir.path());
          const bool killed = results[threads - 1].exitStatus >= 128;
          for (const auto& [name, bytes] : filesIn(dir.path())) {
            if (isTessarkTemporaryName(name)) EXPECT_TRUE(killed) << where << ": temporary left behind";
            else files[threads - 1][name] = bytes;
          }
          if (withOlderFiles && blocks < 4000) {
            EXPECT_EQ(files[threads - 1]["big.dds"], older.at("big.dds")) << where;
          }
        }
        EXPECT_EQ(results[1].exitStatus, results[0].exitStatus) << where;
        if (ignoreSignal) {
          EXPECT_EQ(results[1].out, results[0].out) << where;
        }
        EXPECT_TRUE(files[1] == files[0]) << where;
      }
    }
  }
}

// A small filesystem of its own, mounted for the test (needs root); the
// filler file leaves a chosen number of bytes free.
class SmallFilesystem {
 public:
  explicit SmallFilesystem(const fs::path& at) : at_(at) {
    fs::create_directory(at_);
    mounted_ = std::system(("mount -t tmpfs -o size=256k tmpfs '" + at_.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~SmallFilesystem() {
    if (mounted_) (void)!std::system(("umount '" + at_.string() + "'").c_str());
  }
  bool mounted() const { return mounted_; }
  // Fills the filesystem but for about `free` bytes.
  void leaveFree(size_t free) const {
    const fs::space_info space = fs::space(at_);
    writeFileBytes(at_ / "filler", Bytes(space.available > free ? space.available - free : 0, 0xEE));
  }

 private:
  fs::path at_;
  bool mounted_ = false;
};

TEST(OutputSafety, FullFilesystemThenRerunAfterFreeingSpace) {
  if (runsOnWindows()) GTEST_SKIP() << "no filesystem to mount";
  for (const Operation& op : operations()) {
    for (size_t free : {size_t{0}, size_t{4096}, size_t{8192}, size_t{16384}, size_t{20480}, size_t{40960}}) {
      for (bool withOlderFiles : {false, true}) {
        const std::string where = std::string(op.name) + ", " + std::to_string(free) + " bytes free" +
                                  (withOlderFiles ? ", older files" : "");
        ScratchDir outer;
        SmallFilesystem small(outer / "small");
        if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
        const fs::path dir = outer / "small" / "work";
        fs::create_directory(dir);
        const Files older = prepare(dir, op, withOlderFiles);
        small.leaveFree(free);
        const ProgramResult full = runProgram(TESSARK_PATH, op.args, dir);
        EXPECT_TRUE(full.exitStatus == 0 || full.exitStatus == 1) << where;
        expectAllOrNothing(dir, op, older, false, where);

        fs::remove(outer / "small" / "filler");
        EXPECT_EQ(runProgram(TESSARK_PATH, op.args, dir).exitStatus, 0) << where;
        Files after = filesIn(dir);
        after.erase(op.input);
        EXPECT_TRUE(after == op.outputs) << where << ": the rerun must complete every output";
      }
    }
  }
}

// An output name that is a symbolic link is replaced as a name: the file it
// points to is neither written nor created.
TEST(OutputSafety, LinkedOutputNamesAreReplacedNotFollowed) {
  if (runsOnWindows()) GTEST_SKIP() << "symbolic links need privileges on Windows";
  for (const Operation& op : operations()) {
    ScratchDir outer;
    const fs::path dir = outer / "work";
    fs::create_directory(dir);
    writeFileBytes(dir / op.input, op.inputBytes);
    writeFileBytes(outer / "outside", Bytes{1, 2, 3});
    bool dangling = false;
    for (const auto& [name, bytes] : op.outputs) {
      fs::create_symlink(dangling ? outer / ("created-" + name) : outer / "outside", dir / name);
      dangling = !dangling;
    }
    EXPECT_EQ(runProgram(TESSARK_PATH, op.args, dir).exitStatus, 0) << op.name;
    EXPECT_EQ(readFileBytes(outer / "outside"), (Bytes{1, 2, 3})) << op.name;
    for (const auto& [name, bytes] : op.outputs) {
      EXPECT_FALSE(fs::is_symlink(dir / name)) << op.name << ": " << name;
      EXPECT_EQ(readFileBytes(dir / name), bytes) << op.name << ": " << name;
      EXPECT_FALSE(fs::exists(outer / ("created-" + name))) << op.name << ": " << name;
    }
  }
}

}  // namespace

namespace {

// A temporary whose process ends before it is kept leaves nothing, on every
// system: its handle closed without keeping it is what the system does for
// a process that ends. Kept, it holds its bytes under the final name.
TEST(OutputSafety, AVanishingTemporaryLeavesNothingUnlessKept) {
  for (bool kept : {false, true}) {
    SCOPED_TRACE(kept ? "kept" : "closed unkept");
    ScratchDir dir;
    writeFileText(dir / "out.dds", "older");
    Folder folder;
    std::string why;
    ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
    FILE* stream = nullptr;
    ASSERT_EQ(createVanishingFileIn(folder, tessarkTemporaryName(1, 0), stream), CreateResult::Created);
    fputs("complete", stream);
    if (kept) {
      EXPECT_TRUE(keepVanishingFileIn(folder, stream, tessarkTemporaryName(1, 0), "out.dds"));
    } else {
      fclose(stream);
    }
    closeFolder(folder);
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"out.dds"});
    const Bytes bytes = readFileBytes(dir / "out.dds");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kept ? "complete" : "older");
  }
}

}  // namespace
