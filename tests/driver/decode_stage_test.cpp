// The texture decode stage against the recording fake: exact child command
// lines, deletions and renames, and what is left in the directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver.h"
#include "fake_platform.h"
#include "stages.h"

namespace {

using Events = std::vector<std::string>;
using Files = std::vector<std::string>;

class DecodeStageTest : public StageTest {
 protected:
  Captured decode() {
    return captureOutput([] { decodeTextures(); });
  }
};

TEST_F(DecodeStageTest, LevelsAreRemovedAndLevelZeroBecomesTheTexture) {
  touch("rock.dds");
  fakePlatform().programs["Tessark"] = fakeDecoder(9);
  const Captured output = decode();
  EXPECT_EQ(output.out, "Converting all dds to tga\nrock.dds\n");
  EXPECT_EQ(output.err, "");
  EXPECT_EQ(events(), (Events{"run Tessark -d \"W/rock.dds\"", "delete W/rock1.tga", "delete W/rock2.tga",
                              "delete W/rock3.tga", "delete W/rock4.tga", "delete W/rock5.tga", "delete W/rock6.tga",
                              "delete W/rock7.tga", "delete W/rock8.tga", "delete W/rock.tga",
                              "rename W/rock0.tga -> W/rock.tga"}));
  EXPECT_EQ(files(), (Files{"rock.dds", "rock.tga"}));
  EXPECT_EQ(read("rock.tga"), "level 0 of " + path("rock.dds"));
}

TEST_F(DecodeStageTest, ExistingTextureSkipsTheContainerEntirely) {
  touch("rock.dds");
  touch("rock.tga", "old texture");
  fakePlatform().programs["Tessark"] = fakeDecoder(9);
  EXPECT_EQ(decode().out, "Converting all dds to tga\nrock.dds\n");
  EXPECT_EQ(events(), Events{});
  EXPECT_EQ(read("rock.tga"), "old texture");
}

TEST_F(DecodeStageTest, LevelFilesFromSixteenOnAreLeft) {
  touch("big.dds");
  fakePlatform().programs["Tessark"] = fakeDecoder(18);
  decode();
  EXPECT_EQ(files(), (Files{"big.dds", "big.tga", "big16.tga", "big17.tga"}));
}

struct NamingCase {
  const char* container;
  bool caseSensitive;
  const char* expectedRun;
  const char* expectedTexture;
};

class DecodeNamingTest : public DecodeStageTest, public testing::WithParamInterface<NamingCase> {};

TEST_P(DecodeNamingTest, ContainerArgumentAndTextureName) {
  const NamingCase& c = GetParam();
  touch(c.container);
  fakePlatform().caseSensitiveNames = c.caseSensitive;
  fakePlatform().programs["Tessark"] = fakeDecoder(3);
  decode();
  ASSERT_FALSE(events().empty());
  EXPECT_EQ(events().front(), c.expectedRun);
  EXPECT_TRUE(has(c.expectedTexture));
  EXPECT_EQ(files().size(), 2u) << "only the container and its texture remain";
}

INSTANTIATE_TEST_SUITE_P(
    Names, DecodeNamingTest,
    testing::Values(
        // A case-sensitive file system gets the match's own name; the base name
        // is cut by four characters whatever they are.
        NamingCase{"Wall.DDS", true, "run Tessark -d \"W/Wall.DDS\"", "Wall.tga"},
        // Windows forms the name from the base name and ".dds".
        NamingCase{"Wall.DDS", false, "run Tessark -d \"W/Wall.dds\"", "Wall.tga"},
        NamingCase{"my wall.dds", true, "run Tessark -d \"W/my wall.dds\"", "my wall.tga"},
        // The codec tool names levels after the first "." (a0.tga...): the
        // stage follows that naming and still gives the texture a.b.tga.
        NamingCase{"a.b.dds", true, "run Tessark -d \"W/a.b.dds\"", "a.b.tga"}));

struct NeighbourCase {
  bool reverseWalk;
  bool rock1TextureBefore;
};

class NeighbourTest : public DecodeStageTest, public testing::WithParamInterface<NeighbourCase> {};

// rock1.tga is both the texture of rock1.dds and a level file name of rock.dds.
TEST_P(NeighbourTest, ATextureNamedLikeALevelSurvivesTheOtherContainer) {
  touch("rock.dds");
  touch("rock1.dds");
  if (GetParam().rock1TextureBefore) touch("rock1.tga", "earlier texture");
  fakePlatform().reverseWalk = GetParam().reverseWalk;
  fakePlatform().programs["Tessark"] = fakeDecoder(12);
  decode();
  EXPECT_EQ(files(), (Files{"rock.dds", "rock.tga", "rock1.dds", "rock1.tga"}));
  EXPECT_EQ(read("rock.tga"), "level 0 of " + path("rock.dds"));
  EXPECT_EQ(read("rock1.tga"), GetParam().rock1TextureBefore ? "earlier texture" : "level 0 of " + path("rock1.dds"));
}

INSTANTIATE_TEST_SUITE_P(BothWalkOrders, NeighbourTest,
                         testing::Values(NeighbourCase{false, false}, NeighbourCase{true, false},
                                         NeighbourCase{false, true}, NeighbourCase{true, true}));

TEST_F(DecodeStageTest, ALevelNamedFileIsMovedAsideAndPutBack) {
  touch("rock.dds");
  touch("rock1.tga", "texture of rock1");
  fakePlatform().programs["Tessark"] = fakeDecoder(3);
  decode();
  EXPECT_EQ(events(), (Events{"rename W/rock1.tga -> W/rock1.tga.quorvel-kept", "run Tessark -d \"W/rock.dds\"",
                              "delete W/rock1.tga", "delete W/rock2.tga", "delete W/rock.tga",
                              "rename W/rock0.tga -> W/rock.tga", "rename W/rock1.tga.quorvel-kept -> W/rock1.tga"}));
  EXPECT_EQ(read("rock1.tga"), "texture of rock1");
}

TEST_F(DecodeStageTest, MissingDecoderIsNamedOnStandardErrorOnly) {
  touch("rock.dds");
  const Captured output = decode();
  EXPECT_EQ(output.out, "Converting all dds to tga\nrock.dds\n");
  EXPECT_NE(output.err.find("cannot find the program Tessark"), std::string::npos) << output.err;
  EXPECT_EQ(std::count(output.err.begin(), output.err.end(), '\n'), 1);
  EXPECT_EQ(events(), (Events{"delete W/rock.tga", "rename W/rock0.tga -> W/rock.tga"}));
  EXPECT_EQ(files(), Files{"rock.dds"});
}

TEST_F(DecodeStageTest, NoContainersOrNoDirectoryPrintsTheFirstLineOnly) {
  touch("rock.tga");
  EXPECT_EQ(decode().out, "Converting all dds to tga\n");
  workDirectory = path("missing");
  EXPECT_EQ(decode().out, "Converting all dds to tga\n");
  EXPECT_EQ(events(), Events{});
}

TEST_F(DecodeStageTest, WorkDirectoryWithADotWorks) {
  std::filesystem::create_directory(path("tex.v2"));
  touch("tex.v2/rock.dds");
  workDirectory = path("tex.v2");
  fakePlatform().programs["Tessark"] = fakeDecoder(4);
  decode();
  EXPECT_TRUE(has("tex.v2/rock.tga"));
  EXPECT_FALSE(has("tex.v2/rock1.tga"));
}

}  // namespace
