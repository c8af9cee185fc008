// Faults planted in the file layer under Tessark's own reading and file
// creation: a read error part-way through either input, and a descriptor
// that cannot become a stream. Each must print its one message, fail, and
// leave nothing behind (no output, no temporary, no open descriptor).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "container_builder.h"
#include "files/file_faults.h"
#include "tga_builder.h"
#include "tool/commands.h"

namespace {

struct ToolRun {
  bool encode;
  std::string path;
  bool succeeded = false;
  unsigned threads = 1;
};

// Runs -e or -d on path with the faults planted; returns what it printed.
std::string runWithFaults(ToolRun& run, const FileFaults& faults) {
  plantFileFaults(faults);
  const std::string printed = captureStdout(
      [](void* context) {
        auto* r = static_cast<ToolRun*>(context);
        r->succeeded = r->encode ? encodeTgaFile(r->path, bestSimdPath(), r->threads)
                                 : decodeContainerFile(r->path, bestSimdPath());
      },
      &run);
  plantFileFaults(FileFaults{});
  return printed;
}

size_t entriesIn(const std::filesystem::path& dir) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) count += entry.exists();
  return count;
}

size_t openDescriptors() {
  if (runsOnWindows()) return 0;
  return entriesIn("/proc/self/fd");
}

// A 256x256 32-bit source (several reads of the lane chain) with a 40-byte
// image ID, and a container of four levels.
Bytes sourceWithId() {
  Bytes tga = makeTga(256, 256, 32, false, naturalPixel);
  tga[0] = 40;
  tga.insert(tga.begin() + 18, 40, 0x5A);
  return tga;
}

TEST(InputFaults, AReadErrorAnywhereFailsWithOneMessageAndNoOutput) {
  const Bytes tga = sourceWithId();
  const Bytes container = makeContainer(8, 8, 4, Bytes(16, 0x33));
  struct Case {
    bool encode;
    uint64_t failAfter;
    bool succeeds;
  };
  const Case cases[] = {
      {true, 0, false},           {true, 10, false},        {true, 18, false},  // in the header
      {true, 30, false},          {true, 58, false},                             // in the ID, at the pixels
      {true, 58 + 100000, false}, {true, tga.size() - 1, false},               // in the first, the last read
      {true, tga.size(), true},                                                // the whole file: no fault
      {false, 0, false},          {false, 19, false},       {false, container.size() - 1, false},
      {false, container.size(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.encode ? "encode" : "decode") + ", read fails after " + std::to_string(c.failAfter));
    ScratchDir dir;
    ToolRun run{c.encode, (dir / (c.encode ? "source.tga" : "source.dds")).string()};
    writeFileBytes(run.path, c.encode ? tga : container);
    const size_t descriptors = openDescriptors();
    FileFaults faults;
    faults.readFailsAfter = c.failAfter;
    const std::string printed = runWithFaults(run, faults);
    EXPECT_EQ(run.succeeded, c.succeeds);
    EXPECT_EQ(openDescriptors(), descriptors);
    if (c.succeeds) continue;
    EXPECT_EQ(printed, c.encode ? "Source TGA File could not be read!\n" : "Failed to read Sourcefile: " + run.path + "\n");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "only the input remains";
  }
}

// With threads, level 0 of a large source is written while it is encoded:
// a read error half-way or at the last byte still leaves nothing behind.
TEST(InputFaults, AReadErrorInAThreadedEncodeLeavesNothing) {
  const Bytes tga = makeTga(1024, 1024, 32, false, naturalPixel);
  for (uint64_t failAfter : {uint64_t{tga.size() / 2}, uint64_t{tga.size() - 1}}) {
    SCOPED_TRACE("read fails after " + std::to_string(failAfter));
    ScratchDir dir;
    ToolRun run{true, (dir / "big.tga").string()};
    run.threads = 2;
    writeFileBytes(run.path, tga);
    const size_t descriptors = openDescriptors();
    FileFaults faults;
    faults.readFailsAfter = failAfter;
    EXPECT_EQ(runWithFaults(run, faults), "Source TGA File could not be read!\n");
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "only the input remains";
  }
}

// A real read error, no fault planted: Linux's /proc/self/mem is a regular
// file whose first bytes (an unmapped address) cannot be read.
TEST(InputFaults, ARealReadError) {
  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem here";
  ToolRun run{true, "/proc/self/mem"};
  EXPECT_EQ(runWithFaults(run, FileFaults{}), "Source TGA File could not be read!\n");
  EXPECT_FALSE(run.succeeded);
}

TEST(InputFaults, ADescriptorThatCannotBecomeAStream) {
  const unsigned inputOpens = runsOnWindows() ? 0 : 1;  // Windows opens inputs without a descriptor
  struct Case {
    bool encode;
    bool inputFails;
    const char* printedEnd;  // the output file's name follows
  };
  const Case cases[] = {
      {true, true, "Source TGA File not found!\n"},
      {true, false, "Encoding"},
      {false, true, "Failed to open Sourcefile: "},
      {false, false, "Decoding Level 0\nFailed to create output file: "},
  };
  for (const Case& c : cases) {
    if (c.inputFails && inputOpens == 0) continue;
    SCOPED_TRACE(std::string(c.encode ? "encode" : "decode") + (c.inputFails ? ", input" : ", output"));
    ScratchDir dir;
    ToolRun run{c.encode, (dir / (c.encode ? "source.tga" : "source.dds")).string()};
    writeFileBytes(run.path, c.encode ? makeTga(8, 8, 24, true, naturalPixel) : makeContainer(4, 4, 3, Bytes(8, 1)));
    const size_t descriptors = openDescriptors();
    FileFaults faults;
    faults.fdopensBeforeFault = c.inputFails ? 0 : inputOpens;
    const std::string printed = runWithFaults(run, faults);
    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "only the input remains";
    std::string expected = c.printedEnd;
    if (c.encode && !c.inputFails) expected = "Sourcefile Read.\nFailed to create output file: " + (dir / "source.dds").string() + "\n";
    if (!c.encode && c.inputFails) expected += run.path + "\n";
    if (!c.encode && !c.inputFails) expected += (dir / "source0.tga").string() + "\n";
    ASSERT_GE(printed.size(), expected.size());
    EXPECT_EQ(printed.substr(printed.size() - expected.size()), expected);
  }
}

}  // namespace
