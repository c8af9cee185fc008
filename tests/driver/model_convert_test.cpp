// Listing mode's per-model work: the conversion script's argument lists, the
// mesh scan and the removal of a failed model's outputs.
#include "model_convert.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "driver.h"
#include "fake_platform.h"

namespace {

using Events = std::vector<std::string>;

struct SwitchCase {
  const char* skeleton;
  const char* boneRotation;
  const char* animationPosition;
  const char* expectedRun;  // nullptr: no conversion is started
};

class ConvertModelTest : public StageTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(ConvertModelTest, SwitchesChooseTheFlags) {
  const SwitchCase& c = GetParam();
  std::vector<ChildArgument> args;
  const bool chosen =
      conversionArguments("W/door.mdl", ConversionOptions{"0.5", c.skeleton, c.boneRotation, c.animationPosition}, args);
  EXPECT_EQ(chosen, c.expectedRun != nullptr);
  if (chosen) {
    EXPECT_EQ("run " + windowsCommandLine(args), c.expectedRun);
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllLists, ConvertModelTest,
    testing::Values(
        SwitchCase{"0", "0", "0", "run lua Drevik.lua -s 0.5 -noskel -nobonerot -noanimpos \"W/door.mdl\""},
        SwitchCase{"0", "0", "1", "run lua Drevik.lua -s 0.5 -noskel -nobonerot \"W/door.mdl\""},
        SwitchCase{"0", "1", "0", "run lua Drevik.lua -s 0.5 -noskel -noanimpos \"W/door.mdl\""},
        SwitchCase{"0", "1", "1", "run lua Drevik.lua -s 0.5 -noskel \"W/door.mdl\""},
        SwitchCase{"1", "0", "0", "run lua Drevik.lua -s 0.5 -nobonerot -noanimpos \"W/door.mdl\""},
        SwitchCase{"1", "0", "1", "run lua Drevik.lua -s 0.5 -nobonerot \"W/door.mdl\""},
        SwitchCase{"1", "1", "0", "run lua Drevik.lua -s 0.5 -noanimpos \"W/door.mdl\""},
        SwitchCase{"1", "1", "1", "run lua Drevik.lua -s 0.5 \"W/door.mdl\""},
        // Only the first character counts.
        SwitchCase{"0x", "1yes", "10", "run lua Drevik.lua -s 0.5 -noskel \"W/door.mdl\""},
        SwitchCase{"2", "1", "1", nullptr}, SwitchCase{"1", "", "1", nullptr}, SwitchCase{"1", "1", "x0", nullptr}));

TEST(ConversionArgumentsTest, QuotedModelWithBlanksReachesTheScriptWhole) {
  std::vector<ChildArgument> args;
  ASSERT_TRUE(conversionArguments("my models/old door.mdl", ConversionOptions{"2", "1", "0", "1"}, args));
  EXPECT_EQ(exactArgumentVector(args),
            (std::vector<std::string>{"lua", "Drevik.lua", "-s", "2", "-nobonerot", "my models/old door.mdl"}));
}

struct TokenCase {
  const char* token;
  const char* name;
};

class MaterialTokenTest : public testing::TestWithParam<TokenCase> {};

TEST_P(MaterialTokenTest, NameIsTheTokenFromOffsetTenLessItsLastCharacter) {
  EXPECT_EQ(materialNameOfToken(GetParam().token), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Lengths, MaterialTokenTest,
                         testing::Values(TokenCase{"material=\"rock\"", "rock"}, TokenCase{"material", ""},
                                         TokenCase{"material=", ""}, TokenCase{"material=\"", ""},
                                         TokenCase{"material=\"\"", ""}, TokenCase{"material=\"r\"", "r"},
                                         TokenCase{"material=\"rock", "roc"}, TokenCase{"materialXYrock>", "rock"}));

struct ScanCase {
  const char* label;
  std::string mesh;
  std::vector<std::string> textures;  // in the work directory
  bool passes;
};

class ScanMeshTest : public StageTest, public testing::WithParamInterface<ScanCase> {};

TEST_P(ScanMeshTest, EveryMaterialNeedsATexture) {
  // A name ending in "/" is made a directory.
  for (const std::string& texture : GetParam().textures) {
    if (texture.back() == '/') std::filesystem::create_directory(path(texture));
    else touch(texture);
  }
  touch("m.mesh.xml", GetParam().mesh);
  std::string missing;
  EXPECT_EQ(scanMeshMaterials(path("m.mesh.xml"), work(), missing) == MeshCheck::AllTexturesFound, GetParam().passes)
      << GetParam().label;
}

const std::string kLongName(3000, 'n');

INSTANTIATE_TEST_SUITE_P(
    Meshes, ScanMeshTest,
    testing::Values(
        ScanCase{"found", "<submesh material=\"rock\" use=\"1\"/>", {"rock.tga"}, true},
        ScanCase{"two found", "<s material=\"rock\" />\n\t<s material=\"wall\" />", {"rock.tga", "wall.tga"}, true},
        ScanCase{"second missing", "<s material=\"rock\" />\n<s material=\"wall\" />", {"rock.tga"}, false},
        ScanCase{"no material token", "<mesh>\n</mesh>\n", {}, true},
        ScanCase{"empty file", "", {}, true},
        ScanCase{"untextured base", "material=\"BaseWhiteNoLighting\"", {"rock.tga"}, false},
        ScanCase{"base with a texture", "material=\"BaseWhiteNoLighting\"", {"BaseWhiteNoLighting.tga"}, true},
        ScanCase{"10 characters, no .tga", "material=\"\"", {"rock.tga"}, false},
        ScanCase{"10 characters, .tga", "material=\"\"", {".tga"}, true},
        ScanCase{"11 characters", "material=\"r", {".tga"}, true},
        ScanCase{"8 characters", "material", {"rock.tga"}, false},
        ScanCase{"9 characters", "material=", {".tga"}, true},
        ScanCase{"name with a blank", "material=\"rock wall\"", {"roc.tga"}, true},
        ScanCase{"no closing quote", "material=\"rockX", {"rock.tga"}, true},
        ScanCase{"long token passed over", std::string(5000, 'x') + " material=\"rock\"", {"rock.tga"}, true},
        ScanCase{"long material token", "material=\"" + kLongName + "\"", {"rock.tga"}, false},
        ScanCase{"material inside a token is no reference", "submaterial=\"gone\"", {}, true},
        // CR LF line ends are white space like LF; a Ctrl-Z byte (the end of a
        // Windows text stream) must not end the scan early.
        ScanCase{"CR LF lines", "<s material=\"rock\" />\r\n<s material=\"wall\" />\r\n", {"rock.tga", "wall.tga"}, true},
        // The extension matches in any case, as in the walk; a directory is no texture.
        ScanCase{"upper-case extension", "material=\"rock\"", {"rock.TGA"}, true},
        ScanCase{"mixed-case extension", "material=\"rock\"", {"rock.tGa"}, true},
        ScanCase{"directory named like a texture", "material=\"rock\"", {"rock.tga/"}, false},
        ScanCase{"Ctrl-Z before a missing one", "<s material=\"rock\" />\n\x1A\n<s material=\"gone\" />\n", {"rock.tga"},
                 false}));

TEST_F(StageTest, TextureIsLookedForInTheWorkDirectoryOnly) {
  std::filesystem::create_directory(path("models"));
  touch("models/rock.tga");
  touch("models/m.mesh.xml", "material=\"rock\"");
  std::string missing;
  EXPECT_EQ(scanMeshMaterials(path("models/m.mesh.xml"), work(), missing), MeshCheck::TextureMissing);
  EXPECT_EQ(missing, "rock");
  touch("rock.tga");
  EXPECT_EQ(scanMeshMaterials(path("models/m.mesh.xml"), work(), missing), MeshCheck::AllTexturesFound);
}

const char* const kOutputs[] = {"m.mesh.xml", "m.mesh", "m.material", "m.skeleton.xml", "m.skeleton"};

class VerifyModelTest : public StageTest, public testing::WithParamInterface<unsigned> {};

// Bit i of the parameter: output i was written by the script.
TEST_P(VerifyModelTest, AFailedCheckLeavesNoneOfTheFiveOutputs) {
  const unsigned written = GetParam();
  for (unsigned i = 0; i < 5; ++i)
    if (written & (1u << i)) touch(kOutputs[i], i == 0 ? "material=\"missing\"" : "x");
  // Without the mesh there is nothing to check: the verification failed.
  EXPECT_EQ(verifyModel(path("m"), work()), written & 1u ? Verification::OutputsRemoved : Verification::Failed);
  Events expected;
  for (unsigned i = 0; i < 5; ++i)
    if (written & (1u << i)) expected.push_back(std::string("delete W/") + kOutputs[i]);
  EXPECT_EQ(events(), expected);
  EXPECT_TRUE(files().empty());
}

// Without the mesh XML (bit 0 clear) the check fails because the mesh cannot be read.
INSTANTIATE_TEST_SUITE_P(WrittenSubsets, VerifyModelTest, testing::Values(0u, 1u, 2u, 6u, 17u, 30u, 31u));

TEST_F(StageTest, AnOutputThatCannotBeRemovedFailsTheModel) {
  touch("m.mesh.xml", "material=\"missing\"");
  std::filesystem::create_directory(path("m.mesh"));
  const Captured said = captureOutput([&] { EXPECT_EQ(verifyModel(path("m"), work()), Verification::Failed); });
  EXPECT_NE(said.err.find("Quorvel: cannot remove " + path("m.mesh") + "\n"), std::string::npos) << said.err;
}

TEST_F(StageTest, APassingModelKeepsItsOutputs) {
  touch("rock.tga");
  for (const char* output : kOutputs) touch(output, "material=\"rock\"");
  EXPECT_EQ(verifyModel(path("m"), work()), Verification::OutputsKept);
  EXPECT_EQ(events(), Events{});
  EXPECT_EQ(files().size(), 6u);
}

TEST(ReadTokenTest, TokensOfAnyLengthAreReadWhole) {
  FILE* in = tmpfile();
  const std::string longToken(100000, 'q');
  fprintf(in, "  a\tbb\r\n%s \n\n", longToken.c_str());
  rewind(in);
  std::string token;
  std::vector<std::string> tokens;
  while (readToken(in, token)) tokens.push_back(token);
  fclose(in);
  EXPECT_EQ(tokens, (std::vector<std::string>{"a", "bb", longToken}));
}

}  // namespace
