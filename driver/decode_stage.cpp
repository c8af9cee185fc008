// The texture decode stage: each container without a texture is decoded in
// the scratch folder, and only its complete level 0 leaves it.
#include <cstdio>

#include "diagnostics.h"
#include "files/new_file.h"
#include "files/regular_file.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "scratch_folder.h"
#include "stage_files.h"
#include "stages.h"
#include "texture_lookup.h"
#include "work_paths.h"

static void reportNoTexture(const std::string& containerPath, const char* why) {
  fprintf(stderr, "Quorvel: no texture for %s: %s\n", printableName(containerPath).c_str(), why);
}

static std::string textureNameOf(const std::string& fileName) { return withoutExtension(fileName) + ".tga"; }

// A texture name that reaches a device or another file is no name a texture
// of this container could have (on Windows: CON.tga, an 8.3 short name).
static bool textureNameIsUsable(const std::string& workDirectory, const std::string& fileName) {
  const std::string why = whyNameIsUnusable(pathIn(workDirectory, textureNameOf(fileName)));
  if (!why.empty()) reportNoTexture(pathIn(workDirectory, fileName), why.c_str());
  return why.empty();
}

// Why the container's scratch alias could not be made: the container itself
// cannot be read (another program's lock, no permission), or the folder failed.
static const char* scratchAliasFailure(const std::string& containerPath) {
  FILE* stream = nullptr;
  uint64_t size = 0;
  if (openRegularFile(containerPath, stream, size) != InputOpenResult::Opened) return "it cannot be read";
  fclose(stream);
  return "the scratch folder could not be prepared";
}

// Level 0 leaves the scratch folder by one rename that never replaces a
// file; only a dangling link in the texture's place is replaced, as a name.
static bool installTexture(const std::string& workDirectory, const std::string& fileName, bool replaceDanglingLink) {
  const std::string levelZero = scratchLevelZeroPath(workDirectory);
  const std::string containerPath = pathIn(workDirectory, fileName);
  if (lookUpEntry(levelZero).target != EntryTarget::RegularFile) {
    reportNoTexture(containerPath, "the decoder wrote no level 0");
    return false;
  }
  const std::string texturePath = pathIn(workDirectory, textureNameOf(fileName));
  const bool installed = replaceDanglingLink ? renameReplacing(levelZero, texturePath)
                                             : renameWithoutReplacing(levelZero, texturePath);
  if (!installed) reportNoTexture(containerPath, "its level 0 could not be renamed into place");
  return installed;
}

// Decodes one container in the scratch folder. False when it yielded no
// texture (named on standard error).
static bool decodeContainerFile(const std::string& workDirectory, const std::string& fileName,
                                TextureEntry existing) {
  const std::string containerPath = pathIn(workDirectory, fileName);
  const std::string scratchContainer = scratchContainerPath(workDirectory);
  // The folder is empty here: made fresh for the stage, emptied after each container.
  if (!aliasFile(containerPath, scratchContainer)) {
    reportNoTexture(containerPath, scratchAliasFailure(containerPath));
    return false;
  }
  const std::string decoder = decoderProgramName();
  const int status = runAndWait(decoder, {{decoder}, {"-d"}, pathArgument(scratchContainer)});
  bool installed = false;
  if (status != 0) reportNoTexture(containerPath, "the decoder failed");
  else installed = installTexture(workDirectory, fileName, existing == TextureEntry::DanglingLinkAtName);
  emptyScratchFolder(workDirectory);
  return installed;
}

bool decodeTextures(const std::string& workDirectory) {
  printf("Converting all dds to tga\n");
  bool allDecoded = removeScratchFolder(workDirectory);  // the leftovers of a killed run
  bool scratchReady = false;
  for (const std::string& fileName : listStageFiles(workDirectory, ".dds")) {
    printf("%s\n", fileName.c_str());
    if (!textureNameIsUsable(workDirectory, fileName)) {
      allDecoded = false;
      continue;
    }
    const TextureEntry existing = lookUpTexture(workDirectory, withoutExtension(fileName));
    if (existing == TextureEntry::Present) continue;
    if (!scratchReady && !(scratchReady = makeDirectory(scratchFolderPath(workDirectory)))) {
      reportNoTexture(pathIn(workDirectory, fileName), "the scratch folder could not be created");
      allDecoded = false;
      continue;
    }
    if (!decodeContainerFile(workDirectory, fileName, existing)) allDecoded = false;
  }
  if (scratchReady && !removeScratchFolder(workDirectory)) allDecoded = false;
  return allDecoded;
}
