// Runs the built Tessark binary as a user would and checks its exact output.
#include <gtest/gtest.h>

#include "container_builder.h"
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
  };
  const Case cases[] = {
      {{}, kUsage},
      {{"-?"}, kUsage},
      {{"-?", "extra", "args"}, kUsage},
      {{"-d"}, "Illegal Number of Parameters for decode see help with -?\n"},
      {{"-d", "a.dds", "b.dds"}, "Illegal Number of Parameters for decode see help with -?\n"},
      {{"-e"}, "Illegal Number of Parameters for encode see help with -?\n"},
      {{"-e", "a.tga", "b.tga"}, "Illegal Number of Parameters for encode see help with -?\n"},
      {{"-D", "rock.dds"}, "Unknown Command: -D\n\n" + kUsage},
      {{"-dx", "rock.dds"}, "Unknown Command: -dx\n\n" + kUsage},
      {{""}, "Unknown Command: \n\n" + kUsage},
      // Quotes, blanks and backslashes reach the program exactly as given.
      {{"say \"hi\" \\\"x"}, "Unknown Command: say \"hi\" \\\"x\n\n" + kUsage},
      {{"ends in\\\\"}, "Unknown Command: ends in\\\\\n\n" + kUsage},
      {{"it's", "-d"}, "Unknown Command: it's\n\n" + kUsage},
      {{"-d", "missing.dds"}, "Failed to open Sourcefile: missing.dds\n"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += "[" + a + "]";
    SCOPED_TRACE(joined);
    ScratchDir dir;
    const ProgramResult result = runProgram(TESSARK_PATH, c.args, dir.path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, programText(c.out));
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{}) << "no command here may leave a file";
  }
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

}  // namespace
