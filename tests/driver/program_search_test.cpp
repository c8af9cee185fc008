// Where child programs are looked for, under the Windows and the POSIX rules.
#include "program_search.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Candidates = std::vector<std::string>;

struct CandidateCase {
  const char* label;
  bool windows;
  const char* name;
  ProgramSearchPlaces places;
  Candidates expected;
};

class CandidatesTest : public testing::TestWithParam<CandidateCase> {};

TEST_P(CandidatesTest, TriedInOrder) {
  const CandidateCase& c = GetParam();
  const ProgramSearchRules rules = c.windows ? windowsSearchRules() : posixSearchRules();
  EXPECT_EQ(programCandidates(c.name, rules, c.places), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CandidatesTest,
    testing::Values(
        CandidateCase{"windows: current directory, PATH, then beside the driver",
                      true,
                      "Tessark.exe",
                      {".", "C:\\tools;D:\\bin\\", "C:\\Quorvel"},
                      {".\\Tessark.exe", "C:\\tools\\Tessark.exe", "D:\\bin\\Tessark.exe", "C:\\Quorvel\\Tessark.exe"}},
        CandidateCase{"windows: a name without extension gets .com .exe .bat .cmd",
                      true,
                      "lua",
                      {".", "", ""},
                      {".\\lua.com", ".\\lua.exe", ".\\lua.bat", ".\\lua.cmd"}},
        CandidateCase{"windows: empty PATH entries are passed over",
                      true,
                      "lua.exe",
                      {".", ";C:\\a;;", "C:\\q"},
                      {".\\lua.exe", "C:\\a\\lua.exe", "C:\\q\\lua.exe"}},
        CandidateCase{"windows: a path is not searched", true, "tools\\lua.exe", {".", "C:\\a", "C:\\q"}, {"tools\\lua.exe"}},
        CandidateCase{"windows: a drive colon makes a path", true, "C:lua.exe", {".", "C:\\a", ""}, {"C:lua.exe"}},
        CandidateCase{"windows: forward slash also makes a path",
                      true,
                      "bin/lua",
                      {".", "C:\\a", ""},
                      {"bin/lua.com", "bin/lua.exe", "bin/lua.bat", "bin/lua.cmd"}},
        CandidateCase{"windows: dot in a directory is no extension",
                      true,
                      "v1.2\\lua",
                      {".", "", ""},
                      {"v1.2\\lua.com", "v1.2\\lua.exe", "v1.2\\lua.bat", "v1.2\\lua.cmd"}},
        CandidateCase{"posix: no extensions, ':' separates PATH",
                      false,
                      "lua",
                      {".", "/usr/local/bin:/usr/bin/", "/opt/quorvel"},
                      {"./lua", "/usr/local/bin/lua", "/usr/bin/lua", "/opt/quorvel/lua"}},
        CandidateCase{"posix: unknown driver directory is left out", false, "Tessark", {".", "", ""}, {"./Tessark"}},
        CandidateCase{"posix: a backslash is part of a name", false, "a\\b", {".", "", ""}, {"./a\\b"}},
        CandidateCase{"posix: a path is tried as it is", false, "./bin/lua", {".", "/usr/bin", "/q"}, {"./bin/lua"}},
        CandidateCase{"empty name finds nothing", false, "", {".", "/usr/bin", "/q"}, {}}));

std::set<std::string> existingFiles;

bool existsInTable(const std::string& path) { return existingFiles.count(path) > 0; }

TEST(FindProgramTest, FirstExistingCandidateWins) {
  const ProgramSearchPlaces places{".", "/a:/b", "/q"};
  existingFiles = {"/b/lua", "/q/lua"};
  EXPECT_EQ(findProgram("lua", posixSearchRules(), places, existsInTable), "/b/lua");
  existingFiles = {"./lua", "/a/lua"};
  EXPECT_EQ(findProgram("lua", posixSearchRules(), places, existsInTable), "./lua");
  existingFiles = {"/q/lua"};
  EXPECT_EQ(findProgram("lua", posixSearchRules(), places, existsInTable), "/q/lua");
  existingFiles = {};
  EXPECT_EQ(findProgram("lua", posixSearchRules(), places, existsInTable), "");
  existingFiles = {"C:\\a\\lua.bat", "C:\\a\\lua.exe"};
  EXPECT_EQ(findProgram("lua", windowsSearchRules(), {".", "C:\\a", ""}, existsInTable), "C:\\a\\lua.exe");
}

}  // namespace
