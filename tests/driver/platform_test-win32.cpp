// The Win32 platform layer on real files and real child processes (run under
// Wine in the cross build).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "platform/child_process.h"
#include "files/file_ops.h"
#include "platform/priority.h"
#include "process.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Output captured inside the test program is read back as text, so the CR LF
// line ends of Windows come back as "\n" here.

// What the child's runtime makes of the line, and the line itself unchanged.
TEST(ChildProcessTest, ChildReceivesTheCommandLineAsItIs) {
  const std::string line = "print_arguments -d \"C:\\my dir\\rock.dds\" a\\\"b %PATH% *  x";
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status =
      runAndWait(PRINT_ARGUMENTS_PATH, {{"print_arguments"}, {"-d"}, pathArgument("C:\\my dir\\rock.dds"), {"a\\\"b"}, {"%PATH%"}, {"*"}, {" x"}});
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "[print_arguments]\n[-d]\n[C:\\my dir\\rock.dds]\n[a\"b]\n[%PATH%]\n[*]\n[x]\nline: " + line + "\n");
  EXPECT_EQ(status, 3);
  EXPECT_EQ(err, "Quorvel: " + line + " ended with exit status 3\n");
}

TEST(ChildProcessTest, ProgramThatCannotBeFoundOrStartedIsNamedOnStandardError) {
  ScratchDir dir;
  fs::create_directory(dir / "folder.exe");
  writeFileText(dir / "text.exe", "plain text, no program\n");
  for (const std::string& program : {(dir / "missing.exe").string(), (dir / "folder.exe").string()}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(runAndWait(program, {{"x"}}), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Quorvel: cannot find the program " + program +
                                                              " (looked in the current directory, on PATH and beside Quorvel in ",
                                                          0),
              0u);
  }
  const std::string text = (dir / "text.exe").string();
  testing::internal::CaptureStderr();
  EXPECT_EQ(runAndWait(text, {{"x"}}), -1);
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string expectedStart = "Quorvel: cannot start the program " + text + ": ";
  EXPECT_EQ(err.substr(0, expectedStart.size()), expectedStart);
  EXPECT_NE(err.find("(error "), std::string::npos) << err;
}

TEST(ChildProcessTest, StartFailureIsReportedWithTheSystemsReason) {
  const ChildOutcome outcome = startProgramAndWait("C:\\no such directory\\none.exe", {"none.exe"}, "none.exe", nullptr);
  EXPECT_FALSE(outcome.started);
  EXPECT_NE(outcome.failure.find("(error " + std::to_string(ERROR_PATH_NOT_FOUND) + ")"), std::string::npos)
      << outcome.failure;
  EXPECT_NE(outcome.failure.back(), '\n');
}

TEST(ChildProcessTest, RunnableFilesAndOwnDirectory) {
  ScratchDir dir;
  EXPECT_TRUE(isRunnableFile(PRINT_ARGUMENTS_PATH));
  EXPECT_FALSE(isRunnableFile(dir.path().string()));
  EXPECT_FALSE(isRunnableFile((dir / "missing.exe").string()));
  EXPECT_TRUE(fs::equivalent(runningExecutableDirectory(), fs::path(PRINT_ARGUMENTS_PATH).parent_path()))
      << runningExecutableDirectory();
}

// Existence is the entry of this very name: not a device, not another
// entry reached through its 8.3 short name or a trimmed trailing dot.
TEST(FileOpsTest, EntryOfThisVeryName) {
  ScratchDir dir;
  writeFileText(dir / "rock.tga", "");
  struct Row { std::string name; bool exists; EntryTarget target; std::string why; };
  const Row rows[] = {
      {"rock.tga", true, EntryTarget::RegularFile, ""},
      {"ROCK.TGA", true, EntryTarget::RegularFile, ""},
      {"rock.tga.", false, EntryTarget::Missing, "rock.tga. is another name of rock.tga"},
      {"missing.tga", false, EntryTarget::Missing, ""},
      {"r?ck.tga", false, EntryTarget::Missing, ""},  // what the walk makes of a name outside the code page
      {"NUL", true, EntryTarget::Other, "NUL is a device name on Windows"},
      {"Com7 .x.tga", true, EntryTarget::Other, "Com7 .x.tga is a device name on Windows"},
      {"com10.tga", false, EntryTarget::Missing, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const EntryInfo entry = lookUpEntry((dir / row.name).string());
    EXPECT_EQ(entry.exists, row.exists);
    EXPECT_EQ(entry.target, row.target);
    EXPECT_EQ(whyNameIsUnusable((dir / row.name).string()), row.why);
  }
}

TEST(PriorityTest, ProcessEndsUpBelowNormal) {
  ASSERT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  EXPECT_TRUE(lowerProcessPriority());
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

}  // namespace
