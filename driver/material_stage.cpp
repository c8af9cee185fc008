// The material stage: "universal.material" is written under a temporary name
// and renamed into place once complete.
#include <cstdio>

#include "diagnostics.h"
#include "files/new_file.h"
#include "platform/file_ops.h"
#include "stage_files.h"
#include "stages.h"
#include "work_paths.h"

constexpr char kMaterialScriptName[] = "universal.material";
constexpr char kMaterialScriptTemporaryName[] = ".quorvel-universal.material.tmp";

// Writes every block into the open temporary script; false on a write error.
static bool writeMaterialBlocks(FILE* script, const std::string& directory) {
  writeMaterialBlock(script, "BaseWhiteNoLighting", nullptr);
  for (const std::string& fileName : listStageFiles(directory, ".tga")) {
    printf("%s\n", fileName.c_str());
    // A line end or tab in a name would change the script's structure.
    if (holdsControlCharacter(fileName)) {
      fprintf(stderr, "Quorvel: not declaring %s: its name holds a control character\n",
              printableName(pathIn(directory, fileName)).c_str());
      continue;
    }
    writeMaterialBlock(script, withoutExtension(fileName), fileName.c_str());
  }
  return !ferror(script);
}

bool writeUniversalMaterial(const std::string& directory) {
  printf("Generating universal material file\n");
  const std::string scriptPath = pathIn(directory, kMaterialScriptName);
  const std::string temporaryPath = pathIn(directory, kMaterialScriptTemporaryName);
  // A killed run may have left its temporary script: a regular file of our name.
  const EntryInfo leftover = lookUpEntry(temporaryPath);
  if (leftover.exists && !leftover.isLink && leftover.target == EntryTarget::RegularFile) deleteFile(temporaryPath);
  FILE* script = nullptr;
  if (createNewFile(temporaryPath, FileMode::Text, script) != CreateResult::Created) {
    printf("Cannot create the material script %s; no materials written\n", scriptPath.c_str());
    return false;
  }
  const bool written = writeMaterialBlocks(script, directory);
  const bool closed = fclose(script) == 0;
  // The rename replaces a link of that name as a name, never its target.
  if (written && closed && renameReplacing(temporaryPath, scriptPath)) return true;
  deleteFile(temporaryPath);
  printf("Failed to write the material script %s\n", scriptPath.c_str());
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
