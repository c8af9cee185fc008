// The binary model stage: every model file goes to the model compiler, which
// writes its result into the run's area; the result replaces the model only
// while the model is the file the compiler read.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "fake_platform.h"
#include "stages.h"

namespace fs = std::filesystem;

namespace {

class ModelStageTest : public StageTest {
 protected:
  Captured compile(bool expectedResult) {
    return inRunArea(work(), [&](const RunArea& run) {
      return captureOutput([&] { EXPECT_EQ(convertBinaryModels(work(), run), expectedResult); });
    });
  }
};

TEST_F(ModelStageTest, HandsEveryModelToTheCompilerWithAResultPathInTheArea) {
  touch("rock.mdl");
  touch("my door.mdl");
  touch("notes.txt");
  std::vector<std::vector<std::string>> received;
  fakePlatform().programs["nwnmdlcomp"] = [&](const std::vector<std::string>& argv) {
    received.push_back(argv);
    writeFileText(argv[3], "text of " + argv[2]);
    return 0;
  };
  const Captured output = compile(true);
  EXPECT_EQ(output.out, "Converting all binary-mdl to ascii-mdl\nmy door.mdl\nrock.mdl\n");
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "run nwnmdlcomp -d \"W/my door.mdl\" \"W/.quorvel-scratch/1/models/my door.mdl\"",
                          "rename over W/.quorvel-scratch/1/models/my door.mdl -> W/my door.mdl",
                          "run nwnmdlcomp -d \"W/rock.mdl\" \"W/.quorvel-scratch/1/models/rock.mdl\"",
                          "rename over W/.quorvel-scratch/1/models/rock.mdl -> W/rock.mdl"}));
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0][2], path("my door.mdl"));
  EXPECT_EQ(read("rock.mdl"), "text of " + path("rock.mdl"));
  EXPECT_EQ(files(), (std::vector<std::string>{"my door.mdl", "notes.txt", "rock.mdl"}));
}

TEST_F(ModelStageTest, GoesOnWithoutTheCompiler) {
  touch("a.mdl");
  touch("b.mdl");
  const Captured output = compile(false);
  EXPECT_EQ(output.out, "Converting all binary-mdl to ascii-mdl\na.mdl\nb.mdl\n");
  EXPECT_EQ(std::count(output.err.begin(), output.err.end(), '\n'), 1) << "one line per run";
  EXPECT_NE(output.err.find("nwnmdlcomp"), std::string::npos);
}

// Whatever the compiler or the user does meanwhile, the model ends either as
// it was, as the user left it, or as the compiler's complete result.
TEST_F(ModelStageTest, TheModelIsReplacedOnlyByACompleteResultOfTheFileTheCompilerRead) {
  struct Case {
    const char* label;
    std::function<int(const std::string& model, const std::string& result)> compiler;
    bool compiled;
    const char* modelAfter;  // null: no model
    const char* line;        // on standard error, or null for none
  };
  const Case cases[] = {
      {"a result", [](const std::string&, const std::string& r) { writeFileText(r, "text"); return 0; }, true, "text", nullptr},
      {"no result", [](const std::string&, const std::string&) { return 0; }, true, "binary", nullptr},
      {"a failure cut short",
       [](const std::string&, const std::string& r) { writeFileText(r, "te"); return 1; }, false, "binary", "ended with exit status 1"},
      {"the user saves meanwhile",
       [](const std::string& m, const std::string& r) { writeFileText(m, "user's newer model"); writeFileText(r, "text"); return 0; },
       false, "user's newer model", "it changed while the compiler ran"},
      {"the user deletes it meanwhile",
       [](const std::string& m, const std::string& r) { fs::remove(m); writeFileText(r, "text"); return 0; }, false, nullptr,
       "it was removed while the compiler ran"},
      {"a folder as result",
       [](const std::string&, const std::string& r) { fs::create_directory(r); return 0; }, false, "binary",
       "the compiler's result is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    resetFakePlatform();
    for (const std::string& name : files()) fs::remove_all(path(name));
    touch("m.mdl", "binary");
    fakePlatform().programs["nwnmdlcomp"] = [&](const std::vector<std::string>& argv) { return c.compiler(argv[2], argv[3]); };
    const Captured output = compile(c.compiled);
    if (c.modelAfter) EXPECT_EQ(read("m.mdl"), c.modelAfter);
    else EXPECT_FALSE(has("m.mdl"));
    if (c.line) EXPECT_NE(output.err.find(c.line), std::string::npos) << output.err;
    else EXPECT_EQ(output.err, "");
    EXPECT_FALSE(has(".quorvel-scratch"));
  }
}

}  // namespace
