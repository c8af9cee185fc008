// The texture decode stage: each container without a texture is decoded in
// the scratch folder, and only its complete level 0 leaves it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "run_report.h"
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

static void reportNoTexture(const Folder& work, const std::string& fileName, const char* why) {
  printDiagnostic("Quorvel: no texture for %s: %s\n", printableName(pathIn(work.path, fileName)).c_str(), why);
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

// One container on its way. Whatever it has to say waits for its turn, so
// several decoders may run at once with the output of one at a time.
struct ContainerJob {
  std::string fileName;
  std::string refusal;  // why it gets no texture without a decode, or ""
  bool decoding = false;
  TextureEntry existing = TextureEntry::Absent;
  size_t slot = 0;
  const char* aliasFailure = nullptr;
  bool captured = false;  // its decoder ran on a worker, its output kept
  CapturedRun run;
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
// container from starting.
class ContainerDecodes {
 public:
  ContainerDecodes(const Folder& work, const RunArea& run, unsigned decoders, size_t containers, RunTally& tally)
      : work_(work), run_(run), slotCount_(slotsFor(decoders, containers)), slots_(slotCount_), slotReady_(slotCount_, false),
        slotBusy_(slotCount_, false), tally_(tally),
        jobs_(static_cast<unsigned>(std::min<size_t>(decoders, slotCount_)),
              [this](ContainerJob& job) { decodeInSlot(job); }, [this](ContainerJob& job) { finish(job); },
              slotCount_) {}

  void add(const std::string& fileName) {
    auto job = std::make_unique<ContainerJob>();
    job->fileName = fileName;
    jobs_.add(std::move(job), textureKey(fileName), [this](ContainerJob& ready) { return prepare(ready); });
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

  // On this thread, in walk order: looks, takes a free slot and gives the
  // container its name there. True when it holds a slot (a worker's share).
  bool prepare(ContainerJob& job) {
    job.refusal = whyNameIsUnusable(pathIn(work_.path, textureNameOf(job.fileName)));
    if (!job.refusal.empty()) return false;
    job.existing = lookUpTexture(work_, withoutExtension(job.fileName));
    if (job.existing == TextureEntry::Present) return false;
    job.slot = static_cast<size_t>(std::find(slotBusy_.begin(), slotBusy_.end(), false) - slotBusy_.begin());
    if (!slotReady_[job.slot] && !(slotReady_[job.slot] = openDecodeSlot(run_, job.slot, slots_[job.slot]))) {
      job.refusal = "the scratch folder could not be created";
      return false;
    }
    slotBusy_[job.slot] = true;
    job.decoding = true;
    // The folder is empty here: made fresh for the stage, emptied after each container.
    if (!aliasFileIn(work_, job.fileName, slots_[job.slot], kScratchContainerName))
      job.aliasFailure = scratchAliasFailure(work_, job.fileName);
    if (!decoderLooked_) decoderPath_ = programPathOf(decoderProgramName());  // before any worker reads it
    decoderLooked_ = true;
    return true;
  }

  // On a worker thread: prints nothing. A decoder that cannot be found is
  // left to the container's turn, which names it once.
  void decodeInSlot(ContainerJob& job) const {
    if (job.aliasFailure || decoderPath_.empty()) return;
    const Folder& scratch = slots_[job.slot];
    job.run = runCaptured(decoderPath_, decoderArguments(decoderProgramName(), scratch), decoderFolder(scratch));
    job.captured = true;
  }

  // The container's turn: its name, its decoder's output (kept, or written
  // now by a decoder started here), its texture.
  void finish(ContainerJob& job) {
    printOutput("%s\n", job.fileName.c_str());
    ContainerResult result = ContainerResult::AlreadyThere;
    if (!job.refusal.empty()) {
      reportNoTexture(work_, job.fileName, job.refusal.c_str());
      result = ContainerResult::Failed;
    } else if (job.decoding) {
      result = finishDecode(job) ? ContainerResult::Decoded : ContainerResult::Failed;
      slotBusy_[job.slot] = false;
    }
    if (result == ContainerResult::Failed) allDecoded_ = false;
    count(tally_, result);
    advanceProgress(++finished_);
  }

  bool finishDecode(ContainerJob& job) const {
    if (job.aliasFailure) {
      reportNoTexture(work_, job.fileName, job.aliasFailure);
      return false;
    }
    const Folder& scratch = slots_[job.slot];
    if (job.captured) writeCapturedRun(job.run);
    else job.run.status = runAndWait(decoderProgramName(), decoderArguments(decoderProgramName(), scratch), decoderFolder(scratch));
    const bool installed =
        installTexture(work_, scratch, job.fileName, job.existing == TextureEntry::DanglingLinkAtName, job.run.status);
    emptyDecodeSlot(scratch);
    return installed && job.run.status == 0;
  }

  const Folder& work_;
  const RunArea& run_;
  const size_t slotCount_;
  std::vector<Folder> slots_;
  std::vector<bool> slotReady_, slotBusy_;
  RunTally& tally_;
  std::string decoderPath_;
  bool decoderLooked_ = false;
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
