// The POSIX platform layer on real files and real child processes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/child_process.h"
#include "platform/directory_walk.h"
#include "platform/priority.h"
#include "process.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(DirectoryWalkTest, ExtensionMatchesWithoutCaseAndNamesComeSorted) {
  ScratchDir dir;
  for (const char* name : {"b.dds", "A.DDS", "c.Dds", "d.tga", "dds", "x.ddsx"}) writeFileText(dir / name, "");
  fs::create_directory(dir / "folder.dds");
  std::vector<std::string> names{"stale"};
  ASSERT_TRUE(listFilesWithExtension(dir.path().string(), ".dds", names));
  EXPECT_EQ(names, (std::vector<std::string>{"A.DDS", "b.dds", "c.Dds"}));
  EXPECT_FALSE(listFilesWithExtension((dir / "missing").string(), ".dds", names));
  EXPECT_TRUE(names.empty());
}

TEST(ChildProcessTest, ChildGetsTheArgumentsAWindowsRuntimeWouldSplit) {
  std::string err;
  int status = 0;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  status = runAndWait(PRINT_ARGUMENTS_PATH, {"print_arguments", "-d", "\"/tmp/my dir/rock.dds\"", "a\\\"b", "$HOME", "*"});
  const std::string out = testing::internal::GetCapturedStdout();
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "[print_arguments]\n[-d]\n[/tmp/my dir/rock.dds]\n[a\"b]\n[$HOME]\n[*]\n");
  EXPECT_EQ(status, 3);
  EXPECT_EQ(err, "");
}

TEST(ChildProcessTest, ProgramThatCannotBeFoundOrStartedIsNamedOnStandardError) {
  ScratchDir dir;
  writeFileText(dir / "not-executable", "#!/bin/sh\n");
  writeFileText(dir / "no-format", "plain text, no interpreter line\n");
  fs::permissions(dir / "no-format", fs::perms::owner_all);
  const std::string missing = (dir / "missing").string();
  for (const std::string& program : {missing, (dir / "not-executable").string()}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(runAndWait(program, {"x"}), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quorvel: cannot find the program " + program +
                  " (looked in the current directory, on PATH and beside Quorvel)\n");
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(runAndWait((dir / "no-format").string(), {"x"}), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Quorvel: cannot start the program " + (dir / "no-format").string() + ": Exec format error\n");
}

TEST(ChildProcessTest, RunnableFilesAndOwnDirectory) {
  EXPECT_TRUE(isRunnableFile(PRINT_ARGUMENTS_PATH));
  EXPECT_FALSE(isRunnableFile(fs::temp_directory_path().string()));
  EXPECT_EQ(fs::path(runningExecutableDirectory()), fs::canonical("/proc/self/exe").parent_path());
}

TEST(PriorityTest, ProcessEndsUpBelowNormal) {
  EXPECT_TRUE(lowerProcessPriority());
  EXPECT_GE(getpriority(PRIO_PROCESS, 0), 5);
  EXPECT_TRUE(lowerProcessPriority()) << "a second call leaves it as it is";
}

}  // namespace
