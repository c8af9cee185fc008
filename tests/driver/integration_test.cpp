// The real Quorvel binary on real directories, with the real Tessark, the
// model-compiler stand-in and the conversion-script stand-in under real Lua.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "container_builder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::string>;

// An 8x8 grey container: four levels, 8x8 down to 1x1.
Bytes greyContainer() { return makeContainer(8, 8, kFormatRgb, hexBytes("10 84 10 84 00 00 00 00")); }

std::string text(const fs::path& path) {
  const Bytes bytes = readFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs Quorvel with `lua` (the real interpreter, whatever its Debian name)
// reachable on PATH and the conversion script in the working directory.
class QuorvelBinaryTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(tools / "bin");
    fs::create_symlink(LUA_INTERPRETER, tools / "bin" / "lua");
    fs::copy_file(DREVIK_SCRIPT, run / "Drevik.lua");
    const char* path = getenv("PATH");
    savedPath = path ? path : "";
    setenv("PATH", ((tools / "bin").string() + ":" + savedPath).c_str(), 1);
  }
  void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }

  ProgramResult quorvel(const std::vector<std::string>& args) { return runProgram(QUORVEL_PATH, args, run.path()); }

  ScratchDir tools;
  ScratchDir run;
  std::string savedPath;
};

TEST_F(QuorvelBinaryTest, DirectoryModeDecodesWritesMaterialsAndCompilesModels) {
  fs::create_directory(run / "work");
  writeFileBytes(run / "work/rock.dds", greyContainer());
  writeFileBytes(run / "work/my wall.dds", greyContainer());
  writeFileText(run / "work/rock.mdl", "newmodel rock\nbitmap rock\n");
  writeFileText(run / "work/door.mdl", std::string("\0\0\0\0newmodel door\n", 18));
  const ProgramResult result = quorvel({"work"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(Files({"door.mdl", "my wall.dds", "my wall.tga", "rock.dds", "rock.mdl", "rock.tga", "universal.material"}),
            [&] {
              Files names;
              for (const auto& entry : fs::directory_iterator(run / "work")) names.push_back(entry.path().filename());
              std::sort(names.begin(), names.end());
              return names;
            }());
  EXPECT_EQ(text(run / "work/rock.mdl"), "newmodel rock\nbitmap rock\n");
  EXPECT_EQ(text(run / "work/door.mdl"), "newmodel door\n");
  EXPECT_EQ(readFileBytes(run / "work/rock.tga").size(), 18u + 8 * 8 * 3 + 26) << "level 0 became the texture";
  const std::string material = text(run / "work/universal.material");
  EXPECT_NE(material.find("material my wall\n"), std::string::npos);
  EXPECT_NE(material.find("\t\t\t\ttexture rock.tga\n"), std::string::npos);
  // The decoder's own lines come between the stage's lines.
  const std::string expectedStart = "2\t" + std::string(QUORVEL_PATH) + " work \nConverting all dds to tga\nmy wall.dds\nHeader:\n";
  EXPECT_EQ(result.out.substr(0, expectedStart.size()), expectedStart);
  EXPECT_LT(result.out.find("Decoding Level 3\nrock.dds\nHeader:"), result.out.find("Generating universal material file\n"));
  EXPECT_NE(result.out.find("Converting all binary-mdl to ascii-mdl\ndoor.mdl\nnwnmdlcomp stand-in: work/door.mdl -> "
                            "work/door.mdl (binary model decompiled)\nrock.mdl\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.err, "");
}

TEST_F(QuorvelBinaryTest, WorkDirectoryWithADotAndAnEarlierNeighbourTexture) {
  fs::create_directory(run / "tex.v2");
  writeFileBytes(run / "tex.v2/rock.dds", greyContainer());
  writeFileText(run / "tex.v2/rock1.tga", "texture of rock1, not a level");
  quorvel({(run / "tex.v2").string()});
  EXPECT_TRUE(fs::exists(run / "tex.v2/rock.tga"));
  EXPECT_EQ(text(run / "tex.v2/rock1.tga"), "texture of rock1, not a level");
  EXPECT_FALSE(fs::exists(run / "tex.v2/rock2.tga"));
  EXPECT_FALSE(fs::exists(run / "tex.v2/rock1.tga.quorvel-kept"));
}

TEST_F(QuorvelBinaryTest, ListingModeKeepsModelsWhoseTexturesExist) {
  fs::create_directory(run / "work");
  writeFileText(run / "work/rock.tga", "");
  writeFileText(run / "work/rock.mdl", "newmodel rock\n  bitmap rock\n");
  writeFileText(run / "work/door.mdl", "newmodel door\n  bitmap rock\n  bitmap door\n");
  writeFileText(run / "listing.txt", "work/door.mdl:1:newmodel door\nwork/rock.mdl:1:newmodel rock\n");
  const ProgramResult result = quorvel({"listing.txt", "0.5", "1", "0", "1", "work"});
  EXPECT_EQ(result.out, "7\t" + std::string(QUORVEL_PATH) +
                            " listing.txt 0.5 1 0 1 work \nprocessing grep output\n>>> 0 <<<\nconverting work/door.mdl\n"
                            "Drevik.lua stand-in: work/door.mdl -> 2 submeshes\n>>> 1 <<<\nconverting work/rock.mdl\n"
                            "Drevik.lua stand-in: work/rock.mdl -> 1 submeshes\n>>> 2 <<<\n2 models processed. done.\n");
  EXPECT_EQ(result.err, "");
  for (const char* suffix : {".mesh.xml", ".mesh", ".material", ".skeleton.xml", ".skeleton"})
    EXPECT_FALSE(fs::exists(run / ("work/door.mdl" + std::string(suffix)))) << suffix;
  for (const char* suffix : {".mesh.xml", ".mesh", ".skeleton.xml", ".skeleton"})
    EXPECT_TRUE(fs::exists(run / ("work/rock.mdl" + std::string(suffix)))) << suffix;
  EXPECT_FALSE(fs::exists(run / "work/rock.mdl.material")) << "the model's own material file is always removed";
  EXPECT_NE(text(run / "work/rock.mdl.skeleton.xml").find("bonerotation=\"false\""), std::string::npos);
}

TEST_F(QuorvelBinaryTest, ModelPathWithBlanksReachesTheScriptWhole) {
  fs::create_directory(run / "my work");
  writeFileText(run / "my work/rock.tga", "");
  writeFileText(run / "my work/old rock.mdl", "bitmap rock\n");
  writeFileText(run / "listing.txt", "my work/old rock.mdl:1:bitmap rock\n");
  quorvel({"listing.txt", "1", "0", "0", "0", "my work"});
  EXPECT_TRUE(fs::exists(run / "my work/old rock.mdl.mesh.xml"));
  EXPECT_FALSE(fs::exists(run / "my work/old rock.mdl.skeleton")) << "-noskel was passed";
}

TEST_F(QuorvelBinaryTest, MissingChildrenLeaveStandardOutputAsItWasAndNameThemOnStandardError) {
  // A lone copy of Quorvel, with nothing beside it and nothing on PATH.
  ScratchDir lonely;
  fs::copy_file(QUORVEL_PATH, lonely / "Quorvel");
  fs::permissions(lonely / "Quorvel", fs::perms::owner_all);
  setenv("PATH", (lonely / "nothing-here").string().c_str(), 1);
  fs::create_directory(run / "w");
  writeFileBytes(run / "w/rock.dds", greyContainer());
  writeFileText(run / "w/rock.mdl", "newmodel rock\n");
  const std::string quorvelCopy = (lonely / "Quorvel").string();
  const ProgramResult result = runProgram(quorvelCopy, {"w"}, run.path());
  EXPECT_EQ(result.out, "2\t" + quorvelCopy +
                            " w \nConverting all dds to tga\nrock.dds\nGenerating universal material file\n"
                            "Converting all binary-mdl to ascii-mdl\nrock.mdl\n");
  EXPECT_EQ(result.err,
            "Quorvel: cannot find the program Tessark (looked in the current directory, on PATH and beside Quorvel)\n"
            "Quorvel: cannot find the program nwnmdlcomp (looked in the current directory, on PATH and beside "
            "Quorvel)\n");
  EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(QuorvelBinaryTest, WrongUseStillEndsWithStatusZero) {
  const ProgramResult usage = quorvel({"a", "b"});
  EXPECT_EQ(usage.exitStatus, 0);
  EXPECT_NE(usage.out.find("\nusage: Quorvel"), std::string::npos);
  const ProgramResult noListing = quorvel({"none.txt", "1", "1", "1", "1", "."});
  EXPECT_EQ(noListing.exitStatus, 0);
  EXPECT_NE(noListing.out.find("Cannot open the model listing none.txt"), std::string::npos);
}

}  // namespace
