// The texture decode stage: each container without a texture is decoded in
// the scratch folder, and only its complete level 0 leaves it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "diagnostics.h"
#include "ordered_jobs.h"
#include "files/regular_file.h"
#include "platform/child_process.h"
#include "files/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "scratch_folder.h"
#include "stage_files.h"
#include "stages.h"
#include "texture_lookup.h"
#include "files/paths.h"

static void reportNoTextureFor(const Folder& work, const std::string& fileName, const char* why) {
  reportNoTexture(pathIn(work.path, fileName), why);
}

static std::string textureNameOf(const std::string& fileName) { return withoutExtension(fileName) + ".tga"; }

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
    reportNoTextureFor(work, fileName, decoderStatus != 0 ? "the decoder failed" : "the decoder wrote no level 0");
    return false;
  }
  const std::string texture = textureNameOf(fileName);
  const bool installed = replaceDanglingLink ? renameReplacingIn(scratch, kScratchLevelZeroName, work, texture)
                                             : renameWithoutReplacingIn(scratch, kScratchLevelZeroName, work, texture);
  if (!installed) reportNoTextureFor(work, fileName, "its level 0 could not be renamed into place");
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

// Its lines name the user's container, not the copy in the slot.
static ChildJob decoderJob(const ChildProgram& decoder, const Folder& work, const std::string& fileName,
                           const Folder& scratch) {
  return ChildJob(decoder, decoderArguments(decoder.name, scratch), decoderFolder(scratch), pathIn(work.path, fileName));
}

// One container on its way. Whatever it has to say waits for its turn, so
// several decoders may run at once with the output of one at a time.
struct ContainerJob {
  std::string fileName;
  std::string refusal;  // why it gets no texture without a decode, or ""
  bool decoding = false;
  TextureEntry existing = TextureEntry::Absent;
  size_t slot = 0;
  const char* aliasFailure = nullptr;
  ChildJob decoder;
};

enum class ContainerResult { AlreadyThere, Decoded, Failed };

static void count(RunTally& tally, ContainerResult result) {
  if (result == ContainerResult::AlreadyThere) ++tally.alreadyThere;
  else if (result == ContainerResult::Decoded) ++tally.decoded;
  else ++tally.decodeFailed;
}

// Up to `decoders` decoders at once, each in a scratch folder of its own
// (its slot). Textures are installed in walk order, when each container's
// turn comes, and a container whose texture name an earlier one may still
// install waits for it: the results are those of one decoder at a time.
// With several decoders, twice as many containers may hold a slot: a
// decoder that is done waits for its turn without keeping the next
// container from starting. A slot is the seat its container holds.
class ContainerDecodes {
 public:
  ContainerDecodes(const Folder& work, const RunArea& run, unsigned decoders, size_t containers, RunTally& tally)
      : work_(work), run_(run), decoder_(findChildProgram(decoderProgramName())), slotCount_(slotsFor(decoders, containers)), slots_(slotCount_), slotReady_(slotCount_, false),
        tally_(tally),
        jobs_(static_cast<unsigned>(std::min<size_t>(decoders, slotCount_)),
              [](ContainerJob& job) { decodeInSlot(job); }, [this](ContainerJob& job) { finish(job); }, slotCount_) {}

  void add(const std::string& fileName) {
    auto job = std::make_unique<ContainerJob>();
    job->fileName = fileName;
    jobs_.add(std::move(job), textureKey(fileName),
              [this](ContainerJob& ready, size_t slot) { return prepare(ready, slot); });
  }

  bool finishAll() {
    jobs_.finishAll();
    // The slots go with the run's area.
    for (Folder& slot : slots_) closeFolder(slot);
    return allDecoded_;
  }

 private:
  // No more slots than containers, nor fewer than one.
  static size_t slotsFor(unsigned decoders, size_t containers) {
    const size_t wanted = decoders > 1 ? 2 * static_cast<size_t>(decoders) : 1;
    return std::max<size_t>(1, std::min(wanted, containers));
  }

  // Containers of one texture name (rock.dds, rock.DDS) never overlap.
  static std::string textureKey(const std::string& fileName) {
    std::string key = withoutExtension(fileName);
    for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return key;
  }

  // On this thread, in walk order: looks, and gives the container its name
  // in the free slot it is offered. True when it takes the slot.
  bool prepare(ContainerJob& job, size_t slot) {
    job.refusal = whyNameIsUnusable(pathIn(work_.path, textureNameOf(job.fileName)));
    if (!job.refusal.empty()) return false;
    job.existing = lookUpTexture(work_, withoutExtension(job.fileName));
    if (job.existing == TextureEntry::Present) return false;
    if (!slotReady_[slot] && !(slotReady_[slot] = openDecodeSlot(run_, slot, slots_[slot]))) {
      job.refusal = "the scratch folder could not be created";
      return false;
    }
    job.slot = slot;
    job.decoding = true;
    // The folder is empty here: made fresh for the stage, emptied after each container.
    if (!aliasFileIn(work_, job.fileName, slots_[slot], kScratchContainerName))
      job.aliasFailure = scratchAliasFailure(work_, job.fileName);
    else job.decoder = decoderJob(decoder_, work_, job.fileName, slots_[slot]);
    return true;
  }

  // On a worker thread: prints nothing.
  static void decodeInSlot(ContainerJob& job) {
    if (!job.aliasFailure) job.decoder.run();
  }

  // The container's turn: its name, its decoder's output (kept, or written
  // now by a decoder started here), its texture.
  void finish(ContainerJob& job) {
    printOutput("%s\n", job.fileName.c_str());
    ContainerResult result = ContainerResult::AlreadyThere;
    if (!job.refusal.empty()) {
      reportNoTextureFor(work_, job.fileName, job.refusal.c_str());
      result = ContainerResult::Failed;
    } else if (job.decoding) {
      result = finishDecode(job) ? ContainerResult::Decoded : ContainerResult::Failed;
    }
    if (result == ContainerResult::Failed) allDecoded_ = false;
    count(tally_, result);
    advanceProgress(++finished_);
  }

  bool finishDecode(ContainerJob& job) const {
    if (job.aliasFailure) {
      reportNoTextureFor(work_, job.fileName, job.aliasFailure);
      return false;
    }
    const Folder& scratch = slots_[job.slot];
    const int status = job.decoder.finish();
    const bool installed =
        installTexture(work_, scratch, job.fileName, job.existing == TextureEntry::DanglingLinkAtName, status);
    emptyDecodeSlot(scratch);
    return installed && status == 0;
  }

  const Folder& work_;
  const RunArea& run_;
  const ChildProgram decoder_;  // looked up once for every container
  const size_t slotCount_;
  std::vector<Folder> slots_;
  std::vector<bool> slotReady_;  // made and opened
  RunTally& tally_;
  bool allDecoded_ = true;
  size_t finished_ = 0;
  OrderedJobs<ContainerJob> jobs_;  // last: finished before the rest goes
};

bool decodeTextures(const Folder& work, const RunArea& run, unsigned jobs, RunTally* tally) {
  printOutput("Converting all dds to tga\n");
  bool allDecoded = true;
  std::vector<std::string> containers;
  if (!listStageFiles(work, ".dds", containers)) allDecoded = false;
  RunTally ignored;
  startProgress("decoding containers", containers.size());
  ContainerDecodes decodes(work, run, jobs, containers.size(), tally ? *tally : ignored);
  for (const std::string& fileName : containers) decodes.add(fileName);
  const bool decoded = decodes.finishAll();
  clearProgress();
  return decoded && allDecoded;
}
