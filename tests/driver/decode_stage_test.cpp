// The texture decode stage against the recording fake: each container is
// decoded in the scratch folder and only its level 0 leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "common/file_names.h"
#include "driver.h"
#include "fake_platform.h"
#include "stages.h"

namespace fs = std::filesystem;

namespace {

using Events = std::vector<std::string>;
using Files = std::vector<std::string>;

std::string text(const fs::path& file) {
  const Bytes bytes = readFileBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

Files namesIn(const fs::path& folder) {
  Files names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DecodeStageTest : public StageTest {
 protected:
  Captured decode(bool expectedResult = true) { return decodeIn(dir(), expectedResult); }
  static Captured decodeIn(const std::string& directory, bool expectedResult = true) {
    return inRunArea(folderAt(directory), [&](const RunArea& run) {
      return captureOutput([&] { EXPECT_EQ(decodeTextures(folderAt(directory), run), expectedResult); });
    });
  }
  // What a decoded texture holds: the fake decoder's level 0.
  // The decoder works in the scratch folder, on the container's alias there.
  std::string levelZeroText() const { return "level 0 of texture.dds"; }
};

TEST_F(DecodeStageTest, LevelZeroLeavesTheScratchFolderAsTheTexture) {
  touch("rock.dds");
  fakePlatform().programs["Tessark"] = fakeDecoder(3);
  const Captured output = decode();
  EXPECT_EQ(output.out, "Converting all dds to tga\nrock.dds\n");
  EXPECT_EQ(output.err, "");
  const std::string slot = "W/.quorvel-scratch/1/decode-0";
  EXPECT_EQ(events(), (Events{"mkdir " + slot, "alias W/rock.dds as " + slot + "/texture.dds",
                              "run Tessark -d \"texture.dds\" in " + slot, "rename " + slot + "/texture0.tga -> W/rock.tga",
                              "delete " + slot + "/texture.dds", "delete " + slot + "/texture1.tga",
                              "delete " + slot + "/texture2.tga"}));
  EXPECT_EQ(files(), (Files{"rock.dds", "rock.tga"}));
  EXPECT_EQ(read("rock.tga"), levelZeroText());
}

// Whatever stands in the texture's place decides: any entry keeps the
// container from being decoded, but for a dangling link, which is replaced
// as a name.
TEST_F(DecodeStageTest, WhatStandsInTheTexturesPlace) {
  struct Case {
    const char* label;
    std::function<void(const fs::path&)> place;
    bool decoded;
  };
  const Case cases[] = {
      {"nothing", [](const fs::path&) {}, true},
      {"a texture", [](const fs::path& d) { writeFileText(d / "rock.tga", "user"); }, false},
      {"the texture in upper case", [](const fs::path& d) { writeFileText(d / "rock.TGA", "user"); }, false},
      {"a directory", [](const fs::path& d) { fs::create_directory(d / "rock.tga"); }, false},
      {"a link to a texture", [](const fs::path& d) { writeFileText(d / "real", "user"); fs::create_symlink("real", d / "rock.tga"); }, false},
      {"a dangling link", [](const fs::path& d) { fs::create_symlink("outside", d / "rock.tga"); }, true},
  };
  for (const Case& c : cases) {
    if (runsOnWindows() && std::string(c.label).find("link") != std::string::npos) continue;
    SCOPED_TRACE(c.label);
    ScratchDir work;
    resetFakePlatform();
    const std::string workDirectory = work.path().string();
    writeFileText(work / "rock.dds", "container");
    c.place(work.path());
    fakePlatform().programs["Tessark"] = fakeDecoder(2);
    decodeIn(workDirectory);
    const bool ran = std::any_of(fakePlatform().events.begin(), fakePlatform().events.end(),
                                 [](const std::string& e) { return e.rfind("run ", 0) == 0; });
    EXPECT_EQ(ran, c.decoded);
    if (c.decoded) {
      EXPECT_EQ(text(work / "rock.tga"), "level 0 of texture.dds");
    }
    EXPECT_FALSE(fs::exists(work / "outside")) << "nothing is written through a link";
    EXPECT_FALSE(fs::exists(work / ".quorvel-scratch"));
  }
}

// Colliding names in both walk orders: every container gets its own level 0,
// and user files named like level files are never touched.
TEST_F(DecodeStageTest, CollidingNamesInBothWalkOrders) {
  for (bool reverse : {false, true}) {
    SCOPED_TRACE(reverse ? "reverse walk" : "sorted walk");
    ScratchDir work;
    resetFakePlatform();
    const std::string workDirectory = work.path().string();
    for (const char* name : {"rock.dds", "rock1.dds", "t0.dds", "t01.dds", "t012.dds", "a.b.dds"})
      writeFileText(work / name, name);
    for (const char* name : {"rock10.tga", "t00.tga", "a0.tga", "a.b1.tga", "texture0.tga"})
      writeFileText(work / name, std::string("user ") + name);
    fakePlatform().reverseWalk = reverse;
    // Level 0 carries the container's own bytes, so a mix-up shows.
    fakePlatform().programs["Tessark"] = [](const std::vector<std::string>& argv) {
      const std::string base = argv[2].substr(0, argv[2].size() - 4);
      const Bytes container = readFileBytes(argv[2]);
      writeFileBytes(base + "0.tga", container);
      writeFileText(base + "1.tga", "level 1");
      return 0;
    };
    decodeIn(workDirectory);
    for (const char* name : {"rock", "rock1", "t0", "t01", "t012", "a.b"})
      EXPECT_EQ(readFileBytes(work / (std::string(name) + ".tga")), readFileBytes(work / (std::string(name) + ".dds"))) << name;
    for (const char* name : {"rock10.tga", "t00.tga", "a0.tga", "a.b1.tga", "texture0.tga"})
      EXPECT_EQ(text(work / name), std::string("user ") + name);
    EXPECT_EQ(work.fileNames().size(), 17u) << "six containers, six textures, five user files";
  }
}

// A failed decode is named on standard error and makes the stage fail; a
// complete level 0 still becomes the texture, whatever the decoder's status.
TEST_F(DecodeStageTest, FailedDecodesFailTheStage) {
  struct Case {
    const char* label;
    FakeChild decoder;  // null: the decoder cannot be found
    const char* reason;  // null: no line about the container
    Files left;
  };
  const auto failAfter = [](int levels) {
    return [levels](const std::vector<std::string>& argv) { fakeDecoder(levels)(argv); return 1; };
  };
  const Case cases[] = {
      {"decoder fails after level 1", failAfter(2), nullptr, {"rock.dds", "rock.tga"}},
      {"decoder fails before level 0", failAfter(0), "the decoder failed", {"rock.dds"}},
      {"no level 0", [](const std::vector<std::string>&) { return 0; }, "the decoder wrote no level 0", {"rock.dds"}},
      {"decoder missing", nullptr, "the decoder failed", {"rock.dds"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScratchDir work;
    resetFakePlatform();
    const std::string workDirectory = work.path().string();
    writeFileText(work / "rock.dds", "container");
    if (c.decoder) fakePlatform().programs["Tessark"] = c.decoder;
    const Captured output = decodeIn(workDirectory, false);
    const std::string line = std::string("Quorvel: no texture for ") + workDirectory + "/rock.dds: ";
    if (c.reason) EXPECT_NE(output.err.find(line + c.reason + "\n"), std::string::npos) << output.err;
    else EXPECT_EQ(output.err.find(line), std::string::npos) << output.err;
    // Each line about the decode names the user's container, never its copy.
    std::istringstream lines(output.err);
    for (std::string said; std::getline(lines, said);) {
      if (said.rfind("Quorvel: cannot find the program", 0) == 0) continue;
      EXPECT_NE(said.find(workDirectory + "/rock.dds"), std::string::npos) << said;
    }
    EXPECT_NE(output.err, "");
    EXPECT_EQ(work.fileNames(), c.left);
  }
}

// What earlier runs left: areas nobody holds go whatever they hold, held
// ones stay, earlier versions' scratch folders go when they hold only decode
// files, and anything else in the scratch folder is named and left alone.
TEST_F(DecodeStageTest, ARunAreaRemovesWhatEarlierRunsLeftButNothingElse) {
  for (const char* name : {".quorvel-scratch/7/models", ".quorvel-scratch/7/decode-0", ".quorvel-scratch/8", ".quorvel-scratch-2"})
    fs::create_directories(path(name));
  const std::vector<std::string> names{".quorvel-scratch/texture.dds", ".quorvel-scratch/" + levelFileName("texture", 12),
                                      ".quorvel-scratch-2/" + tessarkTemporaryName(7, 0), ".quorvel-scratch/7/models/m.mdl",
                                      ".quorvel-scratch/7/decode-0/" + levelFileName("texture", 0),
                                      ".quorvel-scratch/7/universal.material", ".quorvel-scratch/8/universal.material"};
  for (const std::string& name : names)
    touch(name);
  fakePlatform().heldFolders.insert(path(".quorvel-scratch/8"));
  RunArea run;
  bool cleanedUp = false;
  captureOutput([&] { ASSERT_TRUE(openRunArea(work(), run, cleanedUp)); });
  EXPECT_TRUE(cleanedUp);
  EXPECT_EQ(run.areaName, "1");
  closeRunArea(work(), run);
  EXPECT_EQ(namesIn(path(".quorvel-scratch")), Files{"8"}) << "a held area stays";
  EXPECT_FALSE(has(".quorvel-scratch-2"));

  touch(".quorvel-scratch/notes.txt", "user");
  fs::create_directory(path(".quorvel-scratch/x"));
  const Captured output = captureOutput([&] { ASSERT_TRUE(openRunArea(work(), run, cleanedUp)); });
  closeRunArea(work(), run);
  EXPECT_FALSE(cleanedUp);
  EXPECT_NE(output.err.find(path(".quorvel-scratch/notes.txt") + " holds files that are not Quorvel's"), std::string::npos)
      << output.err;
  EXPECT_EQ(read(".quorvel-scratch/notes.txt"), "user");
  EXPECT_TRUE(has(".quorvel-scratch/x"));
}

TEST_F(DecodeStageTest, NoContainersPrintsTheFirstLineOnlyAndAFailedWalkFails) {
  touch("rock.tga");
  EXPECT_EQ(decode().out, "Converting all dds to tga\n");
  const Captured unlisted = decodeIn(path("missing"), false);
  EXPECT_EQ(unlisted.out, "Converting all dds to tga\n");
  EXPECT_EQ(unlisted.err.rfind("Quorvel: cannot list " + path("missing") + ": ", 0), 0u) << unlisted.err;
  EXPECT_EQ(events(), Events{});
}

}  // namespace
