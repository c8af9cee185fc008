// The real platform layer where it behaves the same on every platform: file
// renames and deletions, and the order of the driver's and a child's output.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_ops.h"
#include "process.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(FileOpsTest, RenameNeverReplacesAnExistingFile) {
  ScratchDir dir;
  writeFileText(dir / "from", "from");
  writeFileText(dir / "to", "to");
  EXPECT_FALSE(renameWithoutReplacing((dir / "from").string(), (dir / "to").string()));
  EXPECT_EQ(readFileBytes(dir / "to"), Bytes({'t', 'o'}));
  EXPECT_TRUE(fs::exists(dir / "from"));
  EXPECT_TRUE(renameWithoutReplacing((dir / "from").string(), (dir / "free").string()));
  EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"free", "to"}));
  EXPECT_FALSE(renameWithoutReplacing((dir / "from").string(), (dir / "again").string()));
}

TEST(FileOpsTest, DeleteRemovesFilesOnly) {
  ScratchDir dir;
  writeFileText(dir / "f", "");
  fs::create_directory(dir / "d");
  EXPECT_TRUE(deleteFile((dir / "f").string()));
  EXPECT_FALSE(deleteFile((dir / "f").string()));
  EXPECT_FALSE(deleteFile((dir / "d").string()));
  EXPECT_TRUE(fs::is_directory(dir / "d"));
}

TEST(FileHelpersTest, FileExistsAndRemoveIfPresent) {
  ScratchDir dir;
  writeFileText(dir / "f", "");
  EXPECT_TRUE(fileExists((dir / "f").string()));
  removeIfPresent((dir / "f").string());
  EXPECT_FALSE(fileExists((dir / "f").string()));
  removeIfPresent((dir / "f").string());
}

// print_arguments adds the received command line where the system has one.
// Output captured inside the test program is read back as text, so the CR LF
// line ends of Windows come back as "\n" here.
TEST(ChildProcessTest, OwnOutputComesBeforeTheChildsOutput) {
  testing::internal::CaptureStdout();
  printf("before\n");
  runAndWait(PRINT_ARGUMENTS_PATH, {{"child"}});
  printf("after\n");
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::string("before\n[child]\n") + (runsOnWindows() ? "line: child\n" : "") + "after\n");
}

}  // namespace
