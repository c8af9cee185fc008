// Forming a Windows command line and splitting it as a Windows child would.
#include "command_line.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(JoinCommandLineTest, ArgumentsJoinedBySingleBlanksWithoutQuoting) {
  EXPECT_EQ(joinCommandLine({"Tessark.exe", "-d", "\"D:\\work\\rock.dds\""}), "Tessark.exe -d \"D:\\work\\rock.dds\"");
  EXPECT_EQ(joinCommandLine({"lua.exe", "Drevik.lua", "-s", "a b", ""}), "lua.exe Drevik.lua -s a b ");
  EXPECT_EQ(joinCommandLine({}), "");
}

struct SplitCase {
  const char* line;
  Args args;
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, RuntimeSplitsLikeAWindowsChild) { EXPECT_EQ(splitWindowsCommandLine(GetParam().line), GetParam().args); }

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTest,
    testing::Values(
        // The examples of Microsoft's description of argument parsing.
        SplitCase{"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
        SplitCase{"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
        SplitCase{"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        SplitCase{"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        SplitCase{"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        SplitCase{"p a\"b\"\" c d", {"p", "ab\" c d"}},
        // What the driver itself hands its children.
        SplitCase{"Tessark -d \"/tmp/my work/rock.dds\"", {"Tessark", "-d", "/tmp/my work/rock.dds"}},
        SplitCase{"Tessark.exe -d \"D:\\work\\rock.dds\"", {"Tessark.exe", "-d", "D:\\work\\rock.dds"}},
        SplitCase{"nwnmdlcomp -d \"a b.mdl\" \"a b.mdl\"", {"nwnmdlcomp", "-d", "a b.mdl", "a b.mdl"}},
        SplitCase{"lua Drevik.lua -s 1 2 \"m.mdl\"", {"lua", "Drevik.lua", "-s", "1", "2", "m.mdl"}},
        // Argument 0: quotes group, backslashes are never escapes.
        SplitCase{"\"C:\\Program Files\\x.exe\" y", {"C:\\Program Files\\x.exe", "y"}},
        SplitCase{"C:\\dir\\\"x y\" z", {"C:\\dir\\x y", "z"}},
        // Blanks and tabs separate, runs of them count once, empty quotes make an argument.
        SplitCase{"  p \t a  b\t", {"p", "a", "b"}}, SplitCase{"p \"\" x", {"p", "", "x"}},
        SplitCase{"p \"unterminated quote", {"p", "unterminated quote"}},
        SplitCase{"p trailing\\", {"p", "trailing\\"}}, SplitCase{"", {}}, SplitCase{"   ", {}}));

TEST(SplitTest, JoinThenSplitKeepsQuotedPathsWhole) {
  const Args formed{"nwnmdlcomp", "-d", "\"/w/my model.mdl\"", "\"/w/my model.mdl\""};
  EXPECT_EQ(splitWindowsCommandLine(joinCommandLine(formed)),
            (Args{"nwnmdlcomp", "-d", "/w/my model.mdl", "/w/my model.mdl"}));
}

}  // namespace
