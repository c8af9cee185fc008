// The texture decode stage: each container without a texture is decoded in
// the scratch folder, and only its complete level 0 leaves it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "run_report.h"
#include "diagnostics.h"
#include "files/regular_file.h"
#include "platform/child_process.h"
#include "files/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "scratch_folder.h"
#include "stage_files.h"
#include "stages.h"
#include "texture_lookup.h"
#include "work_paths.h"

static void reportNoTexture(const Folder& work, const std::string& fileName, const char* why) {
  printDiagnostic("Quorvel: no texture for %s: %s\n", printableName(pathIn(work.path, fileName)).c_str(), why);
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

// The decoder works inside the scratch folder on the container's name there
// (so it reaches nothing else, and its command line is the same whichever
// folder it uses); where it cannot, it gets the full path.
static std::vector<ChildArgument> decoderArguments(const std::string& decoder, const Folder& scratch) {
  const std::string container =
      childCanStartInside(scratch) ? kScratchContainerName : pathIn(scratch.path, kScratchContainerName);
  return {{decoder}, {"-d"}, pathArgument(container)};
}

static const Folder* decoderFolder(const Folder& scratch) { return childCanStartInside(scratch) ? &scratch : nullptr; }

// After the decoder: level 0 becomes the texture, the folder is emptied.
static bool finishContainer(const Folder& work, const Folder& scratch, const std::string& fileName,
                            TextureEntry existing, int status) {
  const bool installed = installTexture(work, scratch, fileName, existing == TextureEntry::DanglingLinkAtName, status);
  emptyScratchFolder(scratch);
  return installed && status == 0;
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
  const int status = runAndWait(decoder, decoderArguments(decoder, scratch), decoderFolder(scratch));
  return finishContainer(work, scratch, fileName, existing, status);
}

enum class ContainerResult { AlreadyThere, Decoded, Failed };

static void count(RunTally& tally, ContainerResult result) {
  if (result == ContainerResult::AlreadyThere) ++tally.alreadyThere;
  else if (result == ContainerResult::Decoded) ++tally.decoded;
  else ++tally.decodeFailed;
}

static ContainerResult decodeOne(const Folder& work, Folder& scratch, bool& scratchReady, const std::string& fileName) {
  if (!textureNameIsUsable(work, fileName)) return ContainerResult::Failed;
  const TextureEntry existing = lookUpTexture(work, withoutExtension(fileName));
  if (existing == TextureEntry::Present) return ContainerResult::AlreadyThere;
  if (!scratchReady && !(scratchReady = openScratchFolder(work, 0, scratch))) {
    reportNoTexture(work, fileName, "the scratch folder could not be created");
    return ContainerResult::Failed;
  }
  return decodeContainerFile(work, scratch, fileName, existing) ? ContainerResult::Decoded : ContainerResult::Failed;
}

// One decoder at a time: each container is finished before the next.
static bool decodeOneAtATime(const Folder& work, const std::vector<std::string>& containers, RunTally& tally) {
  bool allDecoded = true;
  Folder scratch;
  bool scratchReady = false;
  for (size_t i = 0; i < containers.size(); ++i) {
    printOutput("%s\n", containers[i].c_str());
    const ContainerResult result = decodeOne(work, scratch, scratchReady, containers[i]);
    if (result == ContainerResult::Failed) allDecoded = false;
    count(tally, result);
    advanceProgress(i + 1);
  }
  if (!scratchReady) return allDecoded;
  closeFolder(scratch);
  return removeScratchFolder(work, scratchFolderName(0)) && allDecoded;
}

// A container on its way while other decoders run beside it. Whatever it
// has to say waits for its turn, so the output follows the walk order.
struct PendingContainer {
  std::string fileName;
  std::string refusal;  // why it gets no texture without a decode, or ""
  bool decoding = false;
  TextureEntry existing = TextureEntry::Absent;
  size_t slot = 0;
  const char* aliasFailure = nullptr;  // set by its worker when the alias could not be made
  CapturedRun run;
  std::thread worker;
};

// Up to `jobs` decoders at once, each in a scratch folder of its own (its
// slot). Textures are installed in walk order, when each container's turn
// comes, and a container whose texture name an earlier one may still
// install waits for it: the results are those of one decoder at a time.
class SideBySideDecodes {
 public:
  SideBySideDecodes(const Folder& work, unsigned jobs, RunTally& tally)
      : work_(work), jobs_(jobs), slots_(jobs), slotReady_(jobs, false), slotBusy_(jobs, false), tally_(tally) {}

  void add(const std::string& fileName) {
    const std::string key = textureKey(fileName);
    while (std::any_of(pending_.begin(), pending_.end(), [&](const auto& c) { return textureKey(c->fileName) == key; }))
      finishOldest();
    while (pending_.size() >= kMaxPending || (needsDecode(fileName) && decodingCount() >= jobs_)) finishOldest();
    auto container = std::make_unique<PendingContainer>();
    container->fileName = fileName;
    container->refusal = whyNameIsUnusable(pathIn(work_.path, textureNameOf(fileName)));
    if (container->refusal.empty()) {
      container->existing = lookUpTexture(work_, withoutExtension(fileName));
      if (container->existing != TextureEntry::Present) startDecode(*container);
    }
    pending_.push_back(std::move(container));
  }

  bool finish() {
    while (!pending_.empty()) finishOldest();
    for (size_t slot = 0; slot < jobs_; ++slot) {
      if (!slotReady_[slot]) continue;
      closeFolder(slots_[slot]);
      if (!removeScratchFolder(work_, scratchFolderName(slot))) allDecoded_ = false;
    }
    return allDecoded_;
  }

 private:
  // Enough for every decoder to be busy behind a slow one, yet bounded.
  static constexpr size_t kMaxPending = 256;

  static std::string textureKey(const std::string& fileName) {
    std::string key = withoutExtension(fileName);
    for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return key;
  }

  bool needsDecode(const std::string& fileName) const {
    return lookUpTexture(work_, withoutExtension(fileName)) != TextureEntry::Present;
  }

  size_t decodingCount() const {
    return static_cast<size_t>(std::count_if(pending_.begin(), pending_.end(), [](const auto& c) { return c->decoding; }));
  }

  void startDecode(PendingContainer& container) {
    const size_t slot = static_cast<size_t>(std::find(slotBusy_.begin(), slotBusy_.end(), false) - slotBusy_.begin());
    if (!slotReady_[slot] && !(slotReady_[slot] = openScratchFolder(work_, slot, slots_[slot]))) {
      container.refusal = "the scratch folder could not be created";
      return;
    }
    if (!decoderLooked_) decoderPath_ = programPathOf(decoderProgramName());  // before any worker reads it
    decoderLooked_ = true;
    container.decoding = true;
    container.slot = slot;
    slotBusy_[slot] = true;
    try {
      container.worker = std::thread([this, &container] { decodeInSlot(container); });
    } catch (const std::system_error&) {
      decodeInSlot(container);  // no thread to be had: decode here
    }
  }

  // On a worker thread: prints nothing.
  void decodeInSlot(PendingContainer& container) const {
    const Folder& scratch = slots_[container.slot];
    if (!aliasFileIn(work_, container.fileName, scratch, kScratchContainerName)) {
      container.aliasFailure = scratchAliasFailure(work_, container.fileName);
      return;
    }
    if (decoderPath_.empty()) return;  // named at its turn
    container.run = runCaptured(decoderPath_, decoderArguments(decoderProgramName(), scratch), decoderFolder(scratch));
  }

  void finishOldest() {
    PendingContainer& container = *pending_.front();
    if (container.worker.joinable()) container.worker.join();
    printOutput("%s\n", container.fileName.c_str());
    ContainerResult result = ContainerResult::AlreadyThere;
    if (!container.refusal.empty()) {
      reportNoTexture(work_, container.fileName, container.refusal.c_str());
      result = ContainerResult::Failed;
    } else if (container.decoding) {
      if (decoderPath_.empty()) locateProgram(decoderProgramName());  // names it, once per run
      result = finishDecode(container) ? ContainerResult::Decoded : ContainerResult::Failed;
      slotBusy_[container.slot] = false;
    }
    if (result == ContainerResult::Failed) allDecoded_ = false;
    count(tally_, result);
    advanceProgress(++finished_);
    pending_.pop_front();
  }

  bool finishDecode(const PendingContainer& container) const {
    if (container.aliasFailure) {
      reportNoTexture(work_, container.fileName, container.aliasFailure);
      return false;
    }
    writeCapturedRun(container.run);
    return finishContainer(work_, slots_[container.slot], container.fileName, container.existing,
                           container.run.status);
  }

  const Folder& work_;
  const size_t jobs_;
  std::vector<Folder> slots_;
  std::vector<bool> slotReady_, slotBusy_;
  std::deque<std::unique_ptr<PendingContainer>> pending_;
  std::string decoderPath_;
  bool decoderLooked_ = false;
  bool allDecoded_ = true;
  RunTally& tally_;
  size_t finished_ = 0;
};

static bool decodeSideBySide(const Folder& work, const std::vector<std::string>& containers, unsigned jobs,
                             RunTally& tally) {
  SideBySideDecodes decodes(work, std::min<unsigned>(jobs, static_cast<unsigned>(containers.size()) + 1), tally);
  for (const std::string& fileName : containers) decodes.add(fileName);
  return decodes.finish();
}

bool decodeTextures(const Folder& work, unsigned jobs, RunTally* tally) {
  printOutput("Converting all dds to tga\n");
  bool allDecoded = removeScratchFolders(work);  // the leftovers of a killed run
  std::vector<std::string> containers;
  if (!listStageFiles(work, ".dds", containers)) allDecoded = false;
  RunTally ignored;
  RunTally& counts = tally ? *tally : ignored;
  startProgress("decoding containers", containers.size());
  const bool decoded = jobs <= 1 ? decodeOneAtATime(work, containers, counts)
                                 : decodeSideBySide(work, containers, jobs, counts);
  clearProgress();
  return decoded && allDecoded;
}
