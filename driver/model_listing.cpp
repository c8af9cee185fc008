// The model listing: records read byte by byte, each model converted by the
// outside script and verified, one at a time or side by side.
#include "model_listing.h"

#include <cstring>
#include <memory>
#include <vector>

#include "diagnostics.h"
#include "old_backup.h"
#include "ordered_jobs.h"
#include "files/file_ops.h"
#include "files/paths.h"
#include "files/program_text.h"
#include "platform/host_names.h"
#include "process.h"
#include "run_report.h"

// The first colon at position 3 or later ends a name, so a drive letter ("C:")
// never does; line feeds do not end a name either. False at the end of input.
// A record longer than kMaxListingRecordLength is read to its colon but not
// kept, so memory stays bounded whatever the listing holds.
static bool readModelName(FILE* listing, std::string& name, bool& overlong) {
  name.clear();
  overlong = false;
  size_t length = 0;
  int c;
  while ((c = getc(listing)) != EOF) {
    if (c == ':' && length >= 3) {
      // A NUL byte ends the name, as it would end any C string made of it.
      name.resize(strlen(name.c_str()));
      return true;
    }
    if (++length > kMaxListingRecordLength) overlong = true;
    else name += static_cast<char>(c);
  }
  return false;
}

static void skipRestOfLine(FILE* listing) {
  int c;
  while ((c = getc(listing)) != EOF && c != '\n') {
  }
}

// The copy an earlier version may have left beside the model, pointed out.
static std::string oldBackupLine(const std::string& modelName) {
  std::string folder, name;
  splitPath(modelName, folder, name);
  const std::string backup = modelName.substr(0, modelName.size() - name.size()) + oldBackupNameOf(name);
  return lookUpEntry(backup).exists ? oldBackupNote(backup, modelName) : "";
}

enum class ListedModel { ModelFile, NoModelFile, SpecialFile };

// A record whose name is no model file (cut at a colon inside a file name, a
// directory, a name spanning lines) is still converted, but nothing of that
// name can have come from its conversion, so nothing is deleted for it. A
// FIFO, device or socket is not converted at all: reading it could block.
// `message` gets the standard-error line about it, or "".
static ListedModel classifyModel(const std::string& modelName, std::string& message) {
  const EntryTarget target = lookUpEntry(modelName).target;
  if (target == EntryTarget::RegularFile) {
    message = oldBackupLine(modelName);
    return ListedModel::ModelFile;
  }
  if (target == EntryTarget::Other) {
    message = "Quorvel: not converting " + printableName(modelName) + ": it is not a regular file or a directory\n";
    return ListedModel::SpecialFile;
  }
  message = "Quorvel: " + printableName(modelName) + " is not a model file; converting it, deleting nothing for it\n";
  return ListedModel::NoModelFile;
}

static void printMessage(const std::string& message) {
  if (!message.empty()) printDiagnostic("%s", message.c_str());
}

static void countConversion(RunTally& tally, bool converted, Verification verification) {
  if (!converted) ++tally.conversionFailed;
  else ++(verification == Verification::OutputsRemoved ? tally.removed : tally.converted);
}



// One record on its way while other conversions run beside it; whatever it
// has to say waits for its turn.
struct ListingRecord {
  std::string modelName;
  bool overlong = false;
  ListedModel kind = ListedModel::ModelFile;
  std::string message;
  std::vector<ChildArgument> args;
  bool converting = false;
  bool captured = false;  // its conversion ran on a worker, its output kept
  CapturedRun run;
  bool countsAsModel = false;
  unsigned countAfter = 0;
  bool headerAfter = false;  // the listing went on after it: the next progress line follows
};


// A record's turn: what the serial reader would have printed and done for it.
static bool finishRecord(ListingRecord& record, const Folder& work, RunTally& tally) {
  if (record.overlong) {
    printDiagnostic("Quorvel: skipped a listing record longer than %lu bytes\n",
                    static_cast<unsigned long>(kMaxListingRecordLength));
    ++tally.conversionFailed;
    return false;
  }
  printMessage(record.message);
  if (!record.countsAsModel) {
    ++tally.conversionFailed;
    return false;
  }
  printOutput("converting %s\n", record.modelName.c_str());
  if (record.captured) writeCapturedRun(record.run);
  else if (record.converting) record.run.status = runAndWait(luaProgramName(), record.args);
  const bool modelFile = record.kind == ListedModel::ModelFile;
  if (modelFile) removeFile(record.modelName + ".material");
  bool converted = record.converting && record.run.status == 0;
  const Verification verification = modelFile ? verifyModel(record.modelName, work) : Verification::OutputsKept;
  if (verification == Verification::Failed) converted = false;
  countConversion(tally, converted, verification);
  return converted;
}

// Records that reach one file (by two spellings, a link, "..") share a key,
// so they never run at once; a name that reaches no file is its own key.
static std::string modelKey(const std::string& modelName) {
  FileStamp stamp;
  if (!fileStampOf(modelName, stamp)) return "name " + modelName;
  return "file " + std::to_string(stamp.device) + ":" + std::to_string(stamp.file);
}

// Converts up to `jobs` models at once; each model's own material file,
// verification and deletions follow its conversion when its turn comes, and
// records that name one model never run at once.
unsigned readModelListing(FILE* listing, const ConversionOptions& options, const Folder& work, unsigned jobs,
                          RunTally& tally, bool& allConverted) {
  // A script that cannot be found is left to each record's turn, which names it once.
  const std::string luaPath = jobs > 1 ? programPathOf(luaProgramName()) : "";
  OrderedJobs<ListingRecord> conversions(
      jobs,
      [&](ListingRecord& record) {
        record.run = runCaptured(luaPath, record.args, nullptr);
        record.captured = true;
      },
      [&](ListingRecord& record) {
        if (!finishRecord(record, work, tally)) allConverted = false;
        if (record.headerAfter) printOutput(">>> %u <<<\n", record.countAfter);
      });
  unsigned count = 0;
  printOutput(">>> %u <<<\n", count);
  std::string modelName;
  bool overlong = false;
  while (readModelName(listing, modelName, overlong)) {
    skipRestOfLine(listing);
    auto record = std::make_unique<ListingRecord>();
    // A listing is written in the code page, as grep and dir write it.
    record->modelName = textFromCodePage(modelName);
    record->overlong = overlong;
    if (!overlong) record->kind = classifyModel(record->modelName, record->message);
    record->countsAsModel = !overlong && record->kind != ListedModel::SpecialFile;
    if (record->countsAsModel) ++count;
    record->countAfter = count;
    record->headerAfter = !feof(listing);
    const bool more = record->headerAfter;
    const std::string key = overlong ? "" : modelKey(record->modelName);
    conversions.add(std::move(record), key, [&](ListingRecord& ready) {
      ready.converting = ready.countsAsModel && conversionArguments(ready.modelName, options, ready.args);
      return ready.converting && !luaPath.empty();
    });
    if (!more) break;
  }
  conversions.finishAll();
  return count;
}
