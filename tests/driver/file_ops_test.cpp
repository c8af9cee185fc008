// File renames and deletions of the real platform layer, the same on every
// platform.
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

}  // namespace
