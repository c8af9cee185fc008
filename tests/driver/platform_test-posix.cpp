// The POSIX platform layer on real files and real child processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/child_process.h"
#include "platform/directory_walk.h"
#include "files/file_faults.h"
#include "files/folder.h"
#include "files/regular_file.h"
#include "files/file_ops.h"
#include "files/this_process.h"
#include "platform/priority.h"
#include "process.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Names come sorted bytewise; links to regular files are listed, every other
// special entry is passed over, and none of them is opened (a FIFO would block).
TEST(DirectoryWalkTest, SortedAndOnlyRegularFilesOrLinksToOneAreListed) {
  ScratchDir dir;
  for (const char* name : {"b.dds", "A.DDS", "c.Dds"}) writeFileText(dir / name, "");
  ASSERT_TRUE(makeFifo(dir / "pipe.dds"));
  fs::create_symlink("b.dds", dir / "link.dds");
  fs::create_symlink("nowhere", dir / "dangling.dds");
  fs::create_symlink("/dev/zero", dir / "zero.dds");
  std::vector<std::string> names, passedOver;
  std::string why;
  Folder folder;
  ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
  ASSERT_TRUE(listFilesWithExtension(folder, ".dds", names, passedOver, why));
  closeFolder(folder);
  EXPECT_EQ(names, (std::vector<std::string>{"A.DDS", "b.dds", "c.Dds", "link.dds"}));
  EXPECT_EQ(passedOver, (std::vector<std::string>{"dangling.dds", "pipe.dds", "zero.dds"}));
}

// Existence is the entry itself: unreadable files and dangling links exist.
TEST(FileOpsTest, EntriesAreLookedUpAsTheyAre) {
  ScratchDir dir;
  writeFileText(dir / "locked", "x");
  fs::permissions(dir / "locked", fs::perms::none);
  fs::create_symlink("nowhere", dir / "dangling");
  fs::create_symlink("locked", dir / "link");
  ASSERT_TRUE(makeFifo(dir / "pipe"));
  const struct {
    const char* name;
    bool exists, isLink;
    EntryTarget target;
  } cases[] = {{"locked", true, false, EntryTarget::RegularFile}, {"dangling", true, true, EntryTarget::Missing},
               {"link", true, true, EntryTarget::RegularFile},    {"pipe", true, false, EntryTarget::Other},
               {"missing", false, false, EntryTarget::Missing}};
  for (const auto& c : cases) {
    const EntryInfo entry = lookUpEntry((dir / c.name).string());
    EXPECT_EQ(entry.exists, c.exists) << c.name;
    EXPECT_EQ(entry.isLink, c.isLink) << c.name;
    EXPECT_EQ(entry.target, c.target) << c.name;
  }
  FILE* stream = nullptr;
  uint64_t size = 0;
  EXPECT_EQ(openRegularFile((dir / "pipe").string(), stream, size), InputOpenResult::NotRegularFile)
      << "a FIFO is refused, not waited on";
  Folder folder;
  std::string why;
  ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
  EXPECT_EQ(createFileIn(folder, "dangling", FileMode::Text, stream), CreateResult::NameTaken)
      << "never created through a link";
  closeFolder(folder);
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

// The folder layer's fallbacks, run by planting what a file system may
// refuse: without RENAME_NOREPLACE a link and an unlink stand in, without
// links too a look and a rename; an alias becomes a copy; a descriptor that
// cannot become a stream leaves no file.
TEST(FolderFallbacks, RenamesNeverReplaceAndAliasesAreWhole) {
  const auto faults = [](bool noRenameWithoutReplacing, bool noLinks) {
    FileFaults planted;
    planted.renameWithoutReplacingRefused = noRenameWithoutReplacing;
    planted.linksRefused = noLinks;
    return planted;
  };
  const struct {
    const char* label;
    FileFaults planted;
  } rows[] = {{"as it is", faults(false, false)},
              {"no RENAME_NOREPLACE", faults(true, false)},
              {"no links", faults(false, true)},
              {"neither", faults(true, true)}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    ScratchDir dir;
    writeFileText(dir / "from", "new");
    writeFileText(dir / "taken", "old");
    Folder folder;
    std::string why;
    ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
    plantFileFaults(row.planted);
    EXPECT_FALSE(renameWithoutReplacingIn(folder, "from", folder, "taken"));
    EXPECT_EQ(readFileBytes(dir / "taken"), Bytes({'o', 'l', 'd'}));
    EXPECT_TRUE(renameWithoutReplacingIn(folder, "from", folder, "free"));
    EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"free", "taken"}));
    EXPECT_TRUE(aliasFileIn(folder, "free", folder, "alias"));
    EXPECT_EQ(readFileBytes(dir / "alias"), Bytes({'n', 'e', 'w'}));
    EXPECT_EQ(fs::hard_link_count(dir / "free"), row.planted.linksRefused ? 1u : 2u) << "a copy where links are refused";
    EXPECT_FALSE(aliasFileIn(folder, "free", folder, "alias")) << "never over an existing name";
    plantFileFaults(FileFaults());
    closeFolder(folder);
  }
  ScratchDir dir;
  Folder folder;
  std::string why;
  ASSERT_TRUE(openFolder(dir.path().string(), folder, why));
  FileFaults noStream;
  noStream.fdopensBeforeFault = 0;
  plantFileFaults(noStream);
  FILE* stream = nullptr;
  EXPECT_EQ(createFileIn(folder, "script", FileMode::Text, stream), CreateResult::Failed);
  plantFileFaults(FileFaults());
  EXPECT_EQ(dir.fileNames(), std::vector<std::string>{}) << "nothing left of a file that could not be written";
  closeFolder(folder);
}

// A mask the system will not tell counts as one processor, never as what a
// failed call left in the set.
TEST(ThisProcess, ProcessorsFallBackToOneWithoutTheMask) {
  FileFaults planted;
  planted.affinityRefused = true;
  plantFileFaults(planted);
  const unsigned processors = processorsOfThisProcess();
  plantFileFaults(FileFaults());
  EXPECT_EQ(processors, 1u);
  EXPECT_GE(processorsOfThisProcess(), 1u);
}

TEST(ChildProcessTest, ChildGetsPathsExactly) {
  std::string err;
  int status = 0;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  // A path reaches the child exactly, quotes and all; other arguments are
  // split as a Windows runtime would split them.
  status = runAndWait(PRINT_ARGUMENTS_PATH, {{"print_arguments"}, {"-d"}, pathArgument("/tmp/my \"dir\"/q\" \"r.dds"),
                                             {"a\\\"b"}, {"$HOME"}, {"*"}, {"0.5 1"}});
  const std::string out = testing::internal::GetCapturedStdout();
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "[print_arguments]\n[-d]\n[/tmp/my \"dir\"/q\" \"r.dds]\n[a\"b]\n[$HOME]\n[*]\n[0.5]\n[1]\n");
  EXPECT_EQ(status, 3);
  EXPECT_EQ(err, "Quorvel: print_arguments -d \"/tmp/my \"dir\"/q\" \"r.dds\" a\\\"b $HOME * 0.5 1 ended with exit status 3\n");
}

TEST(ChildProcessTest, AChildKilledByASignalEndsWith128AndTheSignal) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(runAndWait("/bin/sh", {{"sh"}, {"-c"}, pathArgument("kill -TERM $$")}), 128 + SIGTERM);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Quorvel: sh -c \"kill -TERM $$\" ended with exit status 143\n");
}

TEST(ChildProcessTest, ProgramThatCannotBeFoundOrStartedIsNamedOnStandardError) {
  ScratchDir dir;
  writeFileText(dir / "not-executable", "#!/bin/sh\n");
  writeFileText(dir / "no-format", "plain text, no interpreter line\n");
  fs::permissions(dir / "no-format", fs::perms::owner_all);
  const std::string missing = (dir / "missing").string();
  for (const std::string& program : {missing, (dir / "not-executable").string()}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(runAndWait(program, {{"x"}}), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Quorvel: cannot find the program " + program +
                                                              " (looked in the current directory, on PATH and beside Quorvel in ",
                                                          0),
              0u);
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(runAndWait((dir / "no-format").string(), {{"x"}}), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Quorvel: cannot start the program " + (dir / "no-format").string() + ": Exec format error\n");
  // A child given a copy of the user's file is named by that file.
  testing::internal::CaptureStderr();
  EXPECT_EQ(ChildJob(findChildProgram((dir / "no-format").string()), {{"x"}}, nullptr, "w/rock.dds").finish(), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Quorvel: cannot start the program " + (dir / "no-format").string() + " for w/rock.dds: Exec format error\n");
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
