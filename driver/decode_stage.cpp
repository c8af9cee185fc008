// The texture decode stage: each container without a texture is decoded in
// the scratch folder, and only its complete level 0 leaves it.
#include <cstdio>

#include "diagnostics.h"
#include "files/regular_file.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "scratch_folder.h"
#include "stage_files.h"
#include "stages.h"
#include "texture_lookup.h"
#include "work_paths.h"

static void reportNoTexture(const Folder& work, const std::string& fileName, const char* why) {
  fprintf(stderr, "Quorvel: no texture for %s: %s\n", printableName(pathIn(work.path, fileName)).c_str(), why);
}

static std::string textureNameOf(const std::string& fileName) { return withoutExtension(fileName) + ".tga"; }

// A texture name that reaches a device or another file is no name a texture
// of this container could have (on Windows: CON.tga, an 8.3 short name).
static bool textureNameIsUsable(const Folder& work, const std::string& fileName) {
  const std::string why = whyNameIsUnusable(pathIn(work.path, textureNameOf(fileName)));
  if (!why.empty()) reportNoTexture(work, fileName, why.c_str());
  return why.empty();
}

// Why the container's scratch alias could not be made: the container itself
// cannot be read (another program's lock, no permission), or the folder failed.
static const char* scratchAliasFailure(const Folder& work, const std::string& fileName) {
  FILE* stream = nullptr;
  uint64_t size = 0;
  if (openRegularFile(pathIn(work.path, fileName), stream, size) != InputOpenResult::Opened) return "it cannot be read";
  fclose(stream);
  return "the scratch folder could not be prepared";
}

// Level 0 leaves the scratch folder by one rename that never replaces a
// file; only a dangling link in the texture's place is replaced, as a name.
// The decoder writes every level all-or-nothing, so a level 0 that exists is
// complete whatever the decoder's status (a container cut short after it).
static bool installTexture(const Folder& work, const Folder& scratch, const std::string& fileName,
                           bool replaceDanglingLink, int decoderStatus) {
  const EntryInfo levelZero = entryIn(scratch, kScratchLevelZeroName);
  if (levelZero.isLink || levelZero.target != EntryTarget::RegularFile) {
    reportNoTexture(work, fileName, decoderStatus != 0 ? "the decoder failed" : "the decoder wrote no level 0");
    return false;
  }
  const std::string texture = textureNameOf(fileName);
  const bool installed = replaceDanglingLink ? renameReplacingIn(scratch, kScratchLevelZeroName, work, texture)
                                             : renameWithoutReplacingIn(scratch, kScratchLevelZeroName, work, texture);
  if (!installed) reportNoTexture(work, fileName, "its level 0 could not be renamed into place");
  return installed;
}

// Decodes one container in the scratch folder, where the decoder works too.
// False when the decoder failed or the container yielded no texture (named on
// standard error).
static bool decodeContainerFile(const Folder& work, const Folder& scratch, const std::string& fileName,
                                TextureEntry existing) {
  // The folder is empty here: made fresh for the stage, emptied after each container.
  if (!aliasFileIn(work, fileName, scratch, kScratchContainerName)) {
    reportNoTexture(work, fileName, scratchAliasFailure(work, fileName));
    return false;
  }
  const std::string decoder = decoderProgramName();
  const bool inside = childrenStartInsideFolders();
  const std::string container = inside ? kScratchContainerName : pathIn(scratch.path, kScratchContainerName);
  const int status = runAndWait(decoder, {{decoder}, {"-d"}, pathArgument(container)}, inside ? &scratch : nullptr);
  const bool installed =
      installTexture(work, scratch, fileName, existing == TextureEntry::DanglingLinkAtName, status);
  emptyScratchFolder(scratch);
  return installed && status == 0;
}

bool decodeTextures(const Folder& work) {
  printf("Converting all dds to tga\n");
  bool allDecoded = removeScratchFolder(work);  // the leftovers of a killed run
  std::vector<std::string> containers;
  if (!listStageFiles(work, ".dds", containers)) allDecoded = false;
  Folder scratch;
  bool scratchReady = false;
  for (const std::string& fileName : containers) {
    printf("%s\n", fileName.c_str());
    if (!textureNameIsUsable(work, fileName)) {
      allDecoded = false;
      continue;
    }
    const TextureEntry existing = lookUpTexture(work, withoutExtension(fileName));
    if (existing == TextureEntry::Present) continue;
    if (!scratchReady && !(scratchReady = openScratchFolder(work, scratch))) {
      reportNoTexture(work, fileName, "the scratch folder could not be created");
      allDecoded = false;
      continue;
    }
    if (!decodeContainerFile(work, scratch, fileName, existing)) allDecoded = false;
  }
  if (!scratchReady) return allDecoded;
  closeFolder(scratch);
  return removeScratchFolder(work) && allDecoded;
}
