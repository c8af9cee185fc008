// Runs the built Tessark binary as a user would and checks its exact output.
#include <gtest/gtest.h>

#include <functional>

#include "common/file_names.h"
#include "container_builder.h"
#include "tga_builder.h"
#include "test_support.h"

namespace {

const std::string kUsage =
    "Command Line Parameters:\nDecode:\n\t-d sourcefile\n\tGenerates a 32 bit tga from sourcefile.\n"
    "\texample: -d test.dds\nEncode:\n\t-e sourcefile\n\tGenerates a dds from the sourcefile (32bit tga).\n"
    "\texample: -e test.tga\n";

TEST(TessarkCli, DispatchAndMessages) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    int status;
  };
  const Case cases[] = {
      {{}, kUsage, 0},
      {{"-?"}, kUsage, 0},
      {{"-?", "extra", "args"}, kUsage, 0},
      {{"-h"}, kUsage, 0},
      {{"--version"}, std::string("Tessark ") + QUORVEL_VERSION + "\n", 0},
      {{"--Help"}, "Unknown Command: --Help\n\n" + kUsage, 2},
      {{"-d"}, "Illegal Number of Parameters for decode see help with -?\n", 2},
      {{"-d", "a.dds", "b.dds"}, "Illegal Number of Parameters for decode see help with -?\n", 2},
      {{"-e"}, "Illegal Number of Parameters for encode see help with -?\n", 2},
      {{"-e", "a.tga", "b.tga"}, "Illegal Number of Parameters for encode see help with -?\n", 2},
      {{"-D", "rock.dds"}, "Unknown Command: -D\n\n" + kUsage, 2},
      {{"-dx", "rock.dds"}, "Unknown Command: -dx\n\n" + kUsage, 2},
      {{""}, "Unknown Command: \n\n" + kUsage, 2},
      // Quotes, blanks and backslashes reach the program exactly as given.
      {{"say \"hi\" \\\"x"}, "Unknown Command: say \"hi\" \\\"x\n\n" + kUsage, 2},
      {{"ends in\\\\"}, "Unknown Command: ends in\\\\\n\n" + kUsage, 2},
      {{"it's", "-d"}, "Unknown Command: it's\n\n" + kUsage, 2},
      {{"-d", "missing.dds"}, "Failed to open Sourcefile: missing.dds\n", 1},
      {{"-e", "missing.tga"}, "Source TGA File not found!\n", 1},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += "[" + a + "]";
    SCOPED_TRACE(joined);
    ScratchDir dir;
    const ProgramResult result = runProgram(TESSARK_PATH, c.args, dir.path());
    EXPECT_EQ(result.exitStatus, c.status);
    EXPECT_EQ(result.out, programText(c.out));
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{}) << "no command here may leave a file";
  }
  // --help: the usage text, then the options, environment and statuses.
  {
    ScratchDir dir;
    const ProgramResult help = runProgram(TESSARK_PATH, {"--help"}, dir.path());
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind(programText(kUsage), 0), 0u) << help.out;
    for (const char* part : {"-d FILE", "-e FILE", "--version", "TESSARK_THREADS", "TESSARK_SIMD", "Exit status: 0"})
      EXPECT_NE(help.out.find(part, kUsage.size()), std::string::npos) << part;
  }
  // An encoder thread count that is no whole number of at least 1 is refused
  // before the source is looked at; an empty one counts as not set.
  for (const char* threads : {"0", "x", "-2", "", "3"}) {
    SCOPED_TRACE(threads);
    setEnvironmentVariable("TESSARK_THREADS", threads);
    ScratchDir dir;
    const ProgramResult result = runProgram(TESSARK_PATH, {"-e", "missing.tga"}, dir.path());
    const bool accepted = std::string(threads).empty() || std::string(threads) == "3";
    EXPECT_EQ(result.exitStatus, accepted ? 1 : 2);
    EXPECT_EQ(result.out, programText(accepted ? "Source TGA File not found!\n"
                                               : std::string("TESSARK_THREADS is \"") + threads +
                                                     "\", not a whole number of at least 1\n"));
  }
  setEnvironmentVariable("TESSARK_THREADS", "");
}

TEST(TessarkCli, DecodesAPathWithBlanks) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "my textures");
  writeFileBytes(dir / "my textures" / "old rock.dds", makeContainer(8, 4, 3, hexBytes("FF FF 00 00 00 00 00 00")));
  const ProgramResult result = runProgram(TESSARK_PATH, {"-d", "my textures/old rock.dds"}, dir.path());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out,
            programText("Header:\nWidth/Height: 8/4\nBits per pixel: 4\nCompressed Size: 16\nMean Alpha: 1.000000\n"
                        "Decoding Level 0\nDecoding Level 1\nDecoding Level 2\n"));
  for (const char* name : {"old rock0.tga", "old rock1.tga", "old rock2.tga"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / "my textures" / name)) << name;
  }
}

// Every decode and encode outcome has its exit status, and an input that is
// not a regular file is refused at once (the runner's time limit turns a
// hang into a failure here).
TEST(TessarkCli, ExitStatusOfEachOutcome) {
  namespace fs = std::filesystem;
  using Setup = std::function<void(const fs::path&)>;
  const auto file = [](const char* name, Bytes bytes) { return [=](const fs::path& d) { writeFileBytes(d / name, bytes); }; };
  const auto folder = [](const char* name) { return [=](const fs::path& d) { fs::create_directory(d / name); }; };
  const auto link = [](const char* name, const char* target) { return [=](const fs::path& d) { fs::create_symlink(target, d / name); }; };
  const auto fifo = [](const char* name) { return [=](const fs::path& d) { ASSERT_TRUE(makeFifo(d / name)); }; };
  const Bytes white = hexBytes("FF FF FF FF 00 00 00 00");
  Bytes truncated = makeContainer(4, 4, 3, white);
  truncated.pop_back();
  const auto both = [](Setup a, Setup b) { return [=](const fs::path& d) { a(d); b(d); }; };
  struct Case {
    Setup setup;
    std::vector<std::string> args;
    std::string lastLine;
    int status;
    bool posixOnly;
  };
  const Case cases[] = {
      {file("ok.dds", makeContainer(4, 4, 3, white)), {"-d", "ok.dds"}, "Decoding Level 2\n", 0, false},
      {file("short.dds", Bytes(3, 0)), {"-d", "short.dds"}, "Container too short: 3 bytes, a header needs 20\n", 1, false},
      {file("cut.dds", truncated), {"-d", "cut.dds"}, "Container truncated: level 2 needs 8 bytes, 7 remain\n", 1, false},
      {both(file("ok.dds", makeContainer(4, 4, 3, white)), folder("ok1.tga")), {"-d", "ok.dds"},
       "Failed to create output file: ok1.tga\n", 1, false},
      {folder("folder.dds"), {"-d", "folder.dds"}, "Sourcefile is not a regular file: folder.dds\n", 1, false},
      {fifo("pipe.dds"), {"-d", "pipe.dds"}, "Sourcefile is not a regular file: pipe.dds\n", 1, true},
      {link("zero.dds", "/dev/zero"), {"-d", "zero.dds"}, "Sourcefile is not a regular file: zero.dds\n", 1, true},
      {link("gone.dds", "nowhere.dds"), {"-d", "gone.dds"}, "Failed to open Sourcefile: gone.dds\n", 1, true},
      {file("ok.tga", makeTga(4, 4, 24, true, naturalPixel)), {"-e", "ok.tga"}, "Finished Encoding", 0, false},
      {file("deep.tga", tgaHeader(4, 4, 8, true)), {"-e", "deep.tga"}, "Unsupported Image Source Bitdepth!\n", 1, false},
      {both(file("ok.tga", makeTga(4, 4, 24, true, naturalPixel)), folder("ok.dds")), {"-e", "ok.tga"},
       "Failed to create output file: ok.dds\n", 1, false},
      {folder("folder.tga"), {"-e", "folder.tga"}, "Source TGA File is not a regular file!\n", 1, false},
      {fifo("pipe.tga"), {"-e", "pipe.tga"}, "Source TGA File is not a regular file!\n", 1, true},
      {link("zero.tga", "/dev/zero"), {"-e", "zero.tga"}, "Source TGA File is not a regular file!\n", 1, true},
  };
  for (const Case& c : cases) {
    if (c.posixOnly && runsOnWindows()) continue;
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    ScratchDir dir;
    c.setup(dir.path());
    const ProgramResult result = runProgram(TESSARK_PATH, c.args, dir.path());
    EXPECT_EQ(result.exitStatus, c.status);
    const std::string lastLine = programText(c.lastLine);
    ASSERT_GE(result.out.size(), lastLine.size());
    EXPECT_EQ(result.out.substr(result.out.size() - lastLine.size()), lastLine);
    for (const std::string& name : dir.fileNames()) EXPECT_FALSE(isTessarkTemporaryName(name)) << name;
  }
  // A device name: NUL on Windows, /dev/null elsewhere.
  ScratchDir dir;
  const std::string device = runsOnWindows() ? "NUL" : "/dev/null";
  const ProgramResult result = runProgram(TESSARK_PATH, {"-d", device}, dir.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, programText("Sourcefile is not a regular file: " + device + "\n"));
}

}  // namespace
