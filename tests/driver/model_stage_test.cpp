// The binary model stage: every model file goes to the model compiler.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "stages.h"

namespace {

using ModelStageTest = StageTest;

TEST_F(ModelStageTest, HandsEveryModelToTheCompilerQuotedTwice) {
  touch("rock.mdl");
  touch("my door.mdl");
  touch("notes.txt");
  std::vector<std::vector<std::string>> received;
  fakePlatform().programs["nwnmdlcomp"] = [&](const std::vector<std::string>& argv) {
    received.push_back(argv);
    return 0;
  };
  const Captured output = captureOutput([&] { EXPECT_TRUE(convertBinaryModels(work())); });
  EXPECT_EQ(output.out, "Converting all binary-mdl to ascii-mdl\nmy door.mdl\nrock.mdl\n");
  // Each copy takes its backup name only once complete.
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "copy W/my door.mdl as W/.quorvel-model.tmp",
                          "rename over W/.quorvel-model.tmp -> W/.quorvel-backup-my door.mdl",
                          "run nwnmdlcomp -d \"W/my door.mdl\" \"W/my door.mdl\"", "delete W/.quorvel-backup-my door.mdl",
                          "copy W/rock.mdl as W/.quorvel-model.tmp", "rename over W/.quorvel-model.tmp -> W/.quorvel-backup-rock.mdl",
                          "run nwnmdlcomp -d \"W/rock.mdl\" \"W/rock.mdl\"", "delete W/.quorvel-backup-rock.mdl"}));
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], (std::vector<std::string>{"nwnmdlcomp", "-d", path("my door.mdl"), path("my door.mdl")}));
}

TEST_F(ModelStageTest, GoesOnWithoutTheCompiler) {
  touch("a.mdl");
  touch("b.mdl");
  const Captured output = captureOutput([&] { EXPECT_FALSE(convertBinaryModels(work())); });
  EXPECT_EQ(output.out, "Converting all binary-mdl to ascii-mdl\na.mdl\nb.mdl\n");
  EXPECT_EQ(std::count(output.err.begin(), output.err.end(), '\n'), 1) << "one line per run";
  EXPECT_NE(output.err.find("nwnmdlcomp"), std::string::npos);
}

// A compiler that fails after cutting the model short, or a run killed while
// it ran (its copy left beside the model), leaves the model's old bytes.
TEST_F(ModelStageTest, AnUnfinishedRewriteIsPutBack) {
  touch("rock.mdl", "binary rock");
  touch("door.mdl", "compiled door");
  touch(".quorvel-backup-door.mdl", "binary door");  // a killed run's
  fakePlatform().programs["nwnmdlcomp"] = [&](const std::vector<std::string>& argv) {
    writeFileText(argv[3], argv[3].find("rock") != std::string::npos ? "" : "text door");
    return argv[3].find("rock") != std::string::npos ? 1 : 0;
  };
  captureOutput([&] { EXPECT_FALSE(convertBinaryModels(work())); });
  EXPECT_EQ(read("rock.mdl"), "binary rock");
  EXPECT_EQ(read("door.mdl"), "text door") << "put back, then compiled again";
  EXPECT_EQ(files(), (std::vector<std::string>{"door.mdl", "rock.mdl"}));
}

}  // namespace
