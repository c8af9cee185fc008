// The real platform layer where it behaves the same on every platform: file
// renames and deletions, and the order of the driver's and a child's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/directory_walk.h"
#include "files/file_ops.h"
#include "process.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

// The extension matches in any case, and only at the end of the name (the
// Win32 pattern "*.dds" also matches the 8.3 short name of "x.ddsx");
// names with blanks and dots come whole; directories are passed over.
TEST(DirectoryWalkTest, MatchesCarryTheExtensionWithoutRegardToCase) {
  ScratchDir dir;
  for (const char* name : {"b.dds", "A.DDS", "c.Dds", "d.tga", "dds", "x.ddsx", "y.dds.bak", "my wall.dds", "a.b.dds", "  lead.dds"})
    writeFileText(dir / name, "");
  fs::create_directory(dir / "folder.dds");
  Names names{"stale"}, passedOver{"stale"};
  std::string why;
  Folder folder;
  ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
  ASSERT_TRUE(listFilesWithExtension(folder, ".dds", names, passedOver, why));
  // Windows keeps the system's order, which depends on the file system.
  EXPECT_EQ(sorted(names), (Names{"  lead.dds", "A.DDS", "a.b.dds", "b.dds", "c.Dds", "my wall.dds"}));
  EXPECT_EQ(passedOver, Names{"folder.dds"});
  EXPECT_TRUE(listFilesWithExtension(folder, ".mdl", names, passedOver, why));
  EXPECT_TRUE(names.empty());
  closeFolder(folder);
  EXPECT_FALSE(openFolder((dir / "missing").string(), folder, why));
  EXPECT_FALSE(openFolder((dir / "d.tga").string(), folder, why)) << "a file is no folder";
}

TEST(FolderTest, RenameNeverReplacesAnExistingFile) {
  ScratchDir dir;
  writeFileText(dir / "from", "from");
  writeFileText(dir / "to", "to");
  Folder folder;
  std::string why;
  ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
  EXPECT_FALSE(renameWithoutReplacingIn(folder, "from", folder, "to"));
  EXPECT_EQ(readFileBytes(dir / "to"), Bytes({'t', 'o'}));
  EXPECT_TRUE(fs::exists(dir / "from"));
  EXPECT_TRUE(renameWithoutReplacingIn(folder, "from", folder, "free"));
  EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"free", "to"}));
  EXPECT_FALSE(renameWithoutReplacingIn(folder, "from", folder, "again"));
  closeFolder(folder);
}

TEST(FileOpsTest, DeleteRemovesFilesOnly) {
  ScratchDir dir;
  writeFileText(dir / "f", "");
  fs::create_directory(dir / "d");
  EXPECT_TRUE(removeFile((dir / "f").string()));
  EXPECT_FALSE(removeFile((dir / "f").string()));
  EXPECT_FALSE(removeFile((dir / "d").string()));
  EXPECT_TRUE(fs::is_directory(dir / "d"));
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
