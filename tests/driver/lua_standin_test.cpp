// The C++ lua stand-in (used where there is no Lua, as on Windows) must do
// exactly what Drevik.lua does under the real interpreter: same files, same
// output, same failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct StandinCase {
  const char* label;
  std::vector<std::string> arguments;  // after "Drevik.lua"
  const char* modelName;
  std::string modelText;
};

struct RunOutcome {
  ProgramResult result;
  std::vector<std::pair<std::string, Bytes>> files;
};

RunOutcome runIn(const ScratchDir& dir, const char* interpreter, const StandinCase& c) {
  fs::copy_file(DREVIK_SCRIPT, dir / "Drevik.lua");
  writeFileText(dir / c.modelName, c.modelText);
  std::vector<std::string> args{"Drevik.lua"};
  args.insert(args.end(), c.arguments.begin(), c.arguments.end());
  RunOutcome outcome;
  outcome.result = runProgram(interpreter, args, dir.path());
  for (const std::string& name : dir.fileNames()) outcome.files.emplace_back(name, readFileBytes(dir / name));
  return outcome;
}

class LuaStandinTest : public testing::TestWithParam<StandinCase> {};

TEST_P(LuaStandinTest, DoesWhatTheScriptDoes) {
  ScratchDir script;
  ScratchDir standin;
  const RunOutcome expected = runIn(script, LUA_INTERPRETER, GetParam());
  const RunOutcome actual = runIn(standin, LUA_STANDIN_PATH, GetParam());
  EXPECT_EQ(actual.result.out, expected.result.out);
  EXPECT_EQ(actual.result.err, expected.result.err);
  EXPECT_EQ(actual.result.exitStatus, expected.result.exitStatus);
  EXPECT_EQ(actual.files, expected.files);
  EXPECT_GE(actual.files.size(), 2u);
}

const std::string kModel = "newmodel m\n  bitmap rock\nbitmap door\n\tbitmap rock\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, LuaStandinTest,
    testing::Values(
        StandinCase{"all options", {"-s", "0.5", "m.mdl"}, "m.mdl", kModel},
        StandinCase{"every flag", {"-s", "2", "-noskel", "-nobonerot", "-noanimpos", "m.mdl"}, "m.mdl", kModel},
        StandinCase{"flags before the value", {"-nobonerot", "m.mdl", "-noanimpos", "-s", "1"}, "m.mdl", kModel},
        StandinCase{"last model and last value count", {"-s", "1", "x.mdl", "-s", "3", "m.mdl"}, "m.mdl", kModel},
        StandinCase{"no bitmap lines", {"-s", "1", "m.mdl"}, "m.mdl", "newmodel m\nbitmapx y\n  bitmap\n bitmap \n"},
        StandinCase{"CR LF lines and no last line end", {"-s", "1", "m.mdl"}, "m.mdl",
                    "bitmap rock\r\nbitmap\t wall\r\n\vbitmap last"},
        StandinCase{"blanks in the model path", {"-s", "1", "my model.mdl"}, "my model.mdl", kModel},
        StandinCase{"missing model", {"-s", "1", "gone.mdl"}, "m.mdl", kModel},
        StandinCase{"no value", {"m.mdl"}, "m.mdl", kModel},
        StandinCase{"-s without a value", {"m.mdl", "-s"}, "m.mdl", kModel}),
    [](const testing::TestParamInfo<StandinCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.label)) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

}  // namespace
