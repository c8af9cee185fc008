// The material stage: "universal.material" is written in the run's scratch
// area and renamed into place once complete.
#include <cstdio>
#include <vector>

#include "run_report.h"
#include "diagnostics.h"
#include "files/program_text.h"
#include "stage_files.h"
#include "stages.h"
#include "files/paths.h"

constexpr char kMaterialScriptName[] = "universal.material";

// The script names its textures in the code page, as it always has; a name
// the code page cannot hold is written as UTF-8 (as the Linux build writes
// every name), never as a look-alike that names another file.
static std::string scriptText(const std::string& fileName) {
  return survivesCodePage(fileName) ? consoleText(fileName) : fileName;
}

// Writes every block into the open temporary script; false on a write error
// or a walk that failed (the script would miss materials).
static bool writeMaterialBlocks(FILE* script, const Folder& work) {
  writeMaterialBlock(script, "BaseWhiteNoLighting", nullptr);
  std::vector<std::string> textures;
  const bool listed = listStageFiles(work, ".tga", textures);
  for (const std::string& fileName : textures) {
    printOutput("%s\n", fileName.c_str());
    // A line end or tab in a name would change the script's structure.
    if (holdsControlCharacter(fileName)) {
      reportNotDeclared(pathIn(work.path, fileName));
      continue;
    }
    const std::string name = scriptText(fileName);
    writeMaterialBlock(script, withoutExtension(name), name.c_str());
  }
  return listed && !ferror(script);
}

bool writeUniversalMaterial(const Folder& work, const RunArea& run) {
  printOutput("Generating universal material file\n");
  const std::string scriptPath = pathIn(work.path, kMaterialScriptName);
  FILE* script = nullptr;
  if (createFileIn(run.area, kMaterialScriptName, FileMode::Text, script) != CreateResult::Created) {
    reportMaterialScriptNotCreated(scriptPath);
    return false;
  }
  const bool written = writeMaterialBlocks(script, work);
  const bool closed = fclose(script) == 0;
  // The rename replaces a link of that name as a name, never its target.
  if (written && closed && renameReplacingIn(run.area, kMaterialScriptName, work, kMaterialScriptName))
    return true;
  removeFileIn(run.area, kMaterialScriptName);
  reportMaterialScriptNotWritten(scriptPath);
  return false;
}

void writeMaterialBlock(FILE* script, const std::string& materialName, const char* textureName) {
  fprintf(script, "material %s\n", materialName.c_str());
  fprintf(script, "{\n");
  fprintf(script, "\ttechnique\n");
  fprintf(script, "\t{\n");
  fprintf(script, "\t\tpass\n");
  fprintf(script, "\t\t{\n");
  fprintf(script, "\t\t\talpha_rejection greater 128\n");
  fprintf(script, "\t\t\tambient 1 1 1 1\n");
  fprintf(script, "\t\t\tdiffuse 1 1 1 1\n");
  fprintf(script, "\t\t\tspecular 0 0 0 1\n");
  if (textureName) {
    fprintf(script, "\n");
    fprintf(script, "\t\t\ttexture_unit\n");
    fprintf(script, "\t\t\t{\n");
    fprintf(script, "\t\t\t\ttexture %s\n", textureName);
    fprintf(script, "\t\t\t}\n");
  }
  fprintf(script, "\t\t}\n");
  fprintf(script, "\t}\n");
  fprintf(script, "}\n");
  fprintf(script, "\n");
}
