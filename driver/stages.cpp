#include "stages.h"

#include <vector>

#include "diagnostics.h"
#include "driver.h"
#include "platform/directory_walk.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "scratch_folder.h"
#include "texture_lookup.h"

FILE* materialStream = nullptr;

constexpr size_t kExtensionLength = 4;  // ".dds", ".tga"
constexpr char kMaterialScriptName[] = "universal.material";
// The material script is written under this name and renamed into place.
constexpr char kMaterialScriptTemporaryName[] = ".quorvel-universal.material.tmp";

static std::string withoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - kExtensionLength);
}

// Lists one kind of file; whatever else carries the extension is named on
// standard error and passed over.
static std::vector<std::string> listStageFiles(const std::string& directory, const char* extension) {
  std::vector<std::string> names, passedOver;
  listFilesWithExtension(directory, extension, names, passedOver);
  for (const std::string& name : passedOver)
    fprintf(stderr, "Quorvel: passing over %s: not a regular file\n", printableName(pathIn(directory, name)).c_str());
  return names;
}

static void reportNoTexture(const std::string& fileName, const char* why) {
  fprintf(stderr, "Quorvel: no texture for %s: %s\n", printableName(workPath(fileName)).c_str(), why);
}

// Level 0 leaves the scratch folder by one rename that never replaces a
// file; only a dangling link in the texture's place is replaced, as a name.
static bool installTexture(const std::string& fileName, const std::string& texturePath, bool replaceDanglingLink) {
  const std::string levelZero = scratchLevelZeroPath();
  if (lookUpEntry(levelZero).target != EntryTarget::RegularFile) {
    reportNoTexture(fileName, "the decoder wrote no level 0");
    return false;
  }
  const bool installed = replaceDanglingLink ? renameReplacing(levelZero, texturePath)
                                             : renameWithoutReplacing(levelZero, texturePath);
  if (!installed) reportNoTexture(fileName, "its level 0 could not be renamed into place");
  return installed;
}

// Decodes one container in the scratch folder. False when it yielded no
// texture (named on standard error).
static bool decodeContainerFile(const std::string& fileName) {
  const std::string baseName = withoutExtension(fileName);
  const TextureEntry existing = lookUpTexture(workDirectory, baseName);
  if (existing == TextureEntry::Present) return true;
  if (!emptyScratchFolder() || !aliasFile(workPath(fileName), scratchContainerPath())) {
    reportNoTexture(fileName, "the scratch folder could not be prepared");
    return false;
  }
  const std::string decoder = decoderProgramName();
  const int status = runAndWait(decoder, {{decoder}, {"-d"}, pathArgument(scratchContainerPath())});
  bool installed = false;
  if (status != 0) reportNoTexture(fileName, "the decoder failed");
  else installed = installTexture(fileName, workPath(baseName + ".tga"), existing == TextureEntry::DanglingLinkAtName);
  emptyScratchFolder();
  return installed;
}

bool decodeTextures() {
  printf("Converting all dds to tga\n");
  bool allDecoded = removeScratchFolder();  // the leftovers of a killed run
  const std::vector<std::string> containers = listStageFiles(workDirectory, ".dds");
  bool scratchReady = false;
  for (const std::string& fileName : containers) {
    printf("%s\n", fileName.c_str());
    if (lookUpTexture(workDirectory, withoutExtension(fileName)) == TextureEntry::Present) continue;
    if (!scratchReady && !(scratchReady = makeDirectory(scratchFolderPath()))) {
      reportNoTexture(fileName, "the scratch folder could not be created");
      allDecoded = false;
      continue;
    }
    if (!decodeContainerFile(fileName)) allDecoded = false;
  }
  if (scratchReady && !removeScratchFolder()) allDecoded = false;
  return allDecoded;
}

// Writes every block into the open temporary script; false on a write error.
static bool writeMaterialBlocks(const std::string& directory) {
  writeMaterialBlock("BaseWhiteNoLighting", nullptr);
  for (const std::string& fileName : listStageFiles(directory, ".tga")) {
    printf("%s\n", fileName.c_str());
    // A line end or tab in a name would change the script's structure.
    if (holdsControlCharacter(fileName)) {
      fprintf(stderr, "Quorvel: not declaring %s: its name holds a control character\n",
              printableName(pathIn(directory, fileName)).c_str());
      continue;
    }
    writeMaterialBlock(withoutExtension(fileName), fileName.c_str());
  }
  return !ferror(materialStream);
}

bool writeUniversalMaterial(const std::string& directory) {
  printf("Generating universal material file\n");
  const std::string scriptPath = pathIn(directory, kMaterialScriptName);
  const std::string temporaryPath = pathIn(directory, kMaterialScriptTemporaryName);
  // A killed run may have left its temporary script: a regular file of our name.
  const EntryInfo leftover = lookUpEntry(temporaryPath);
  if (leftover.exists && !leftover.isLink && leftover.target == EntryTarget::RegularFile) deleteFile(temporaryPath);
  materialStream = createNewTextFile(temporaryPath);
  if (!materialStream) {
    printf("Cannot create the material script %s; no materials written\n", scriptPath.c_str());
    return false;
  }
  const bool written = writeMaterialBlocks(directory);
  const bool closed = fclose(materialStream) == 0;
  materialStream = nullptr;
  // The rename replaces a link of that name as a name, never its target.
  if (written && closed && renameReplacing(temporaryPath, scriptPath)) return true;
  deleteFile(temporaryPath);
  printf("Failed to write the material script %s\n", scriptPath.c_str());
  return false;
}

void writeMaterialBlock(const std::string& materialName, const char* textureName) {
  fprintf(materialStream, "material %s\n", materialName.c_str());
  fprintf(materialStream, "{\n");
  fprintf(materialStream, "\ttechnique\n");
  fprintf(materialStream, "\t{\n");
  fprintf(materialStream, "\t\tpass\n");
  fprintf(materialStream, "\t\t{\n");
  fprintf(materialStream, "\t\t\talpha_rejection greater 128\n");
  fprintf(materialStream, "\t\t\tambient 1 1 1 1\n");
  fprintf(materialStream, "\t\t\tdiffuse 1 1 1 1\n");
  fprintf(materialStream, "\t\t\tspecular 0 0 0 1\n");
  if (textureName) {
    fprintf(materialStream, "\n");
    fprintf(materialStream, "\t\t\ttexture_unit\n");
    fprintf(materialStream, "\t\t\t{\n");
    fprintf(materialStream, "\t\t\t\ttexture %s\n", textureName);
    fprintf(materialStream, "\t\t\t}\n");
  }
  fprintf(materialStream, "\t\t}\n");
  fprintf(materialStream, "\t}\n");
  fprintf(materialStream, "}\n");
  fprintf(materialStream, "\n");
}

bool convertBinaryModels() {
  printf("Converting all binary-mdl to ascii-mdl\n");
  const std::string compiler = modelCompilerProgramName();
  bool allStarted = true;
  for (const std::string& fileName : listStageFiles(workDirectory, ".mdl")) {
    printf("%s\n", fileName.c_str());
    const std::string modelPath = workPath(fileName);
    // The compiler rewrites the model in place: through a link that would
    // write outside the work directory.
    if (lookUpEntry(modelPath).isLink) {
      fprintf(stderr, "Quorvel: not compiling %s: it is a symbolic link\n", printableName(modelPath).c_str());
      continue;
    }
    if (runAndWait(compiler, {{compiler}, {"-d"}, pathArgument(modelPath), pathArgument(modelPath)}) < 0)
      allStarted = false;
  }
  return allStarted;
}
