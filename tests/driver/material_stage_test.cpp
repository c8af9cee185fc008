// The material script: the block template line by line and the script as a
// whole for a directory of textures.
#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"
#include "fake_platform.h"
#include "stages.h"

namespace {

const std::string kUntexturedBase =
    "material BaseWhiteNoLighting\n"
    "{\n"
    "\ttechnique\n"
    "\t{\n"
    "\t\tpass\n"
    "\t\t{\n"
    "\t\t\talpha_rejection greater 128\n"
    "\t\t\tambient 1 1 1 1\n"
    "\t\t\tdiffuse 1 1 1 1\n"
    "\t\t\tspecular 0 0 0 1\n"
    "\t\t}\n"
    "\t}\n"
    "}\n"
    "\n";

std::string texturedBlock(const std::string& material, const std::string& texture) {
  return "material " + material +
         "\n"
         "{\n"
         "\ttechnique\n"
         "\t{\n"
         "\t\tpass\n"
         "\t\t{\n"
         "\t\t\talpha_rejection greater 128\n"
         "\t\t\tambient 1 1 1 1\n"
         "\t\t\tdiffuse 1 1 1 1\n"
         "\t\t\tspecular 0 0 0 1\n"
         "\n"
         "\t\t\ttexture_unit\n"
         "\t\t\t{\n"
         "\t\t\t\ttexture " +
         texture +
         "\n"
         "\t\t\t}\n"
         "\t\t}\n"
         "\t}\n"
         "}\n"
         "\n";
}

std::string blockText(const std::string& material, const char* texture) {
  FILE* script = tmpfile();
  writeMaterialBlock(script, material, texture);
  std::string text(static_cast<size_t>(ftell(script)), '\0');
  rewind(script);
  EXPECT_EQ(fread(&text[0], 1, text.size(), script), text.size());
  fclose(script);
  return text;
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// Template lines 1 to 10 and 16 to 19: fourteen lines.
TEST(MaterialBlockTest, UntexturedBlockHasNoTextureUnit) {
  const std::string block = blockText("BaseWhiteNoLighting", nullptr);
  EXPECT_EQ(block, kUntexturedBase);
  EXPECT_EQ(lineCount(block), 14u);
}

TEST(MaterialBlockTest, TexturedBlockHasNineteenLines) {
  const std::string block = blockText("rock", "rock.tga");
  EXPECT_EQ(block, texturedBlock("rock", "rock.tga"));
  EXPECT_EQ(lineCount(block), 19u);
}

// The script is a text stream ("wt"): on Windows every line ends in CR LF.
class MaterialStageTest : public StageTest {
 protected:
  Captured writeScript() {
    return inRunArea(work(), [this](const RunArea& run) {
      return captureOutput([&] { writeUniversalMaterial(work(), run); });
    });
  }
};

TEST_F(MaterialStageTest, OneBlockPerTextureInWalkOrder) {
  touch("rock.tga");
  touch("wall.tga");
  touch("rock.dds");
  EXPECT_EQ(writeScript().out, "Generating universal material file\nrock.tga\nwall.tga\n");
  EXPECT_EQ(read("universal.material"),
            programText(kUntexturedBase + texturedBlock("rock", "rock.tga") + texturedBlock("wall", "wall.tga")));
  fakePlatform().reverseWalk = true;
  writeScript();
  EXPECT_EQ(read("universal.material"),
            programText(kUntexturedBase + texturedBlock("wall", "wall.tga") + texturedBlock("rock", "rock.tga")));
}

TEST_F(MaterialStageTest, ExtensionIsCutByFourCharactersAndKeptAsFoundInTheTextureLine) {
  touch("Moss.TGA");
  writeScript();
  EXPECT_EQ(read("universal.material"), programText(kUntexturedBase + texturedBlock("Moss", "Moss.TGA")));
}

TEST_F(MaterialStageTest, NoTexturesGivesTheBaseBlockAloneAndRerunsReplaceTheScript) {
  EXPECT_EQ(writeScript().out, "Generating universal material file\n");
  EXPECT_EQ(read("universal.material"), programText(kUntexturedBase));
  writeScript();
  EXPECT_EQ(read("universal.material"), programText(kUntexturedBase));
}

TEST_F(MaterialStageTest, ScriptThatCannotBeCreatedIsReportedAndSkipped) {
  const std::string missing = path("missing");
  RunArea run;
  run.area = folderAt(missing);
  const Captured output = captureOutput([&] { writeUniversalMaterial(folderAt(missing), run); });
  EXPECT_EQ(output.out, "Generating universal material file\nCannot create the material script " + missing +
                            "/universal.material; no materials written\n");
}

}  // namespace
