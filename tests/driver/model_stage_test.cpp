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
  const Captured output = captureOutput([&] { convertBinaryModels(work()); });
  EXPECT_EQ(output.out, "Converting all binary-mdl to ascii-mdl\nmy door.mdl\nrock.mdl\n");
  EXPECT_EQ(events(), (std::vector<std::string>{"run nwnmdlcomp -d \"W/my door.mdl\" \"W/my door.mdl\"",
                                                "run nwnmdlcomp -d \"W/rock.mdl\" \"W/rock.mdl\""}));
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

}  // namespace
