#include "stages.h"

#include <vector>

#include "driver.h"
#include "platform/directory_walk.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"

FILE* materialStream = nullptr;

// The decoder writes at most 16 levels (a TGA side fits in 16 bits).
constexpr int kLastMipLevel = 15;
constexpr size_t kExtensionLength = 4;  // ".dds", ".tga"

static std::string withoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - kExtensionLength);
}

// The decoder names its level files after the container name cut at its first ".".
static std::string decoderLevelBase(const std::string& containerName) {
  return containerName.substr(0, containerName.find('.'));
}

static std::string levelPath(const std::string& levelBase, int level) {
  return workPath(levelBase + std::to_string(level) + ".tga");
}

struct SetAsideFile {
  std::string path;
  std::string keptAs;
};

// Moves an existing file out of the decoder's way under a free name.
static bool setAside(const std::string& path, std::vector<SetAsideFile>& setAsideFiles) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string keptAs = path + ".quorvel-kept" + (attempt ? std::to_string(attempt) : "");
    if (renameWithoutReplacing(path, keptAs)) {
      setAsideFiles.push_back({path, keptAs});
      return true;
    }
  }
  return false;
}

static void restore(const std::vector<SetAsideFile>& setAsideFiles) {
  for (const SetAsideFile& file : setAsideFiles)
    if (!renameWithoutReplacing(file.keptAs, file.path))
      fprintf(stderr, "Quorvel: could not put %s back; it is kept as %s\n", file.path.c_str(), file.keptAs.c_str());
}

// A file that already carries one of the decoder's level names (the texture of
// a container "rock1" beside "rock", say) would be overwritten by the decoder
// or deleted by the level clean-up: it is moved aside for the decode.
static bool protectExistingLevelNames(const std::string& levelBase, std::vector<SetAsideFile>& setAsideFiles) {
  for (int level = 0; level <= kLastMipLevel; ++level) {
    const std::string path = levelPath(levelBase, level);
    if (fileExists(path) && !setAside(path, setAsideFiles)) {
      fprintf(stderr, "Quorvel: not decoding beside %s, which could not be moved out of the way\n", path.c_str());
      restore(setAsideFiles);
      return false;
    }
  }
  return true;
}

static void decodeContainerFile(const std::string& fileName) {
  const std::string baseName = withoutExtension(fileName);
  const std::string texturePath = workPath(baseName + ".tga");
  if (fileExists(texturePath)) return;
  const std::string containerName = fileNamesAreCaseSensitive() ? fileName : baseName + ".dds";
  const std::string levelBase = decoderLevelBase(containerName);
  std::vector<SetAsideFile> setAsideFiles;
  if (!protectExistingLevelNames(levelBase, setAsideFiles)) return;
  const std::string decoder = decoderProgramName();
  runAndWait(decoder, {decoder, "-d", quoted(workPath(containerName))});
  for (int level = 1; level <= kLastMipLevel; ++level) removeIfPresent(levelPath(levelBase, level));
  deleteFile(texturePath);
  renameWithoutReplacing(levelPath(levelBase, 0), texturePath);
  restore(setAsideFiles);
}

void decodeTextures() {
  printf("Converting all dds to tga\n");
  std::vector<std::string> containers;
  listFilesWithExtension(workDirectory, ".dds", containers);
  for (const std::string& fileName : containers) {
    printf("%s\n", fileName.c_str());
    decodeContainerFile(fileName);
  }
}

void writeUniversalMaterial(const std::string& directory) {
  printf("Generating universal material file\n");
  const std::string scriptPath = pathIn(directory, "universal.material");
  materialStream = fopen(scriptPath.c_str(), "wt");
  if (!materialStream) {
    printf("Cannot create the material script %s; no materials written\n", scriptPath.c_str());
    return;
  }
  writeMaterialBlock("BaseWhiteNoLighting", nullptr);
  std::vector<std::string> textures;
  listFilesWithExtension(directory, ".tga", textures);
  for (const std::string& fileName : textures) {
    printf("%s\n", fileName.c_str());
    writeMaterialBlock(withoutExtension(fileName), fileName.c_str());
  }
  const bool written = !ferror(materialStream);
  if (fclose(materialStream) != 0 || !written)
    printf("Failed to write the material script %s\n", scriptPath.c_str());
  materialStream = nullptr;
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

void convertBinaryModels() {
  printf("Converting all binary-mdl to ascii-mdl\n");
  std::vector<std::string> models;
  listFilesWithExtension(workDirectory, ".mdl", models);
  const std::string compiler = modelCompilerProgramName();
  for (const std::string& fileName : models) {
    printf("%s\n", fileName.c_str());
    const std::string modelPath = quoted(workPath(fileName));
    runAndWait(compiler, {compiler, "-d", modelPath, modelPath});
  }
}
