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

// The copy an earlier version may have left beside the model, or "".
static std::string oldBackupOf(const std::string& modelName) {
  std::string folder, name;
  splitPath(modelName, folder, name);
  const std::string backup = modelName.substr(0, modelName.size() - name.size()) + oldBackupNameOf(name);
  return lookUpEntry(backup).exists ? backup : "";
}

enum class ListedModel { ModelFile, NoModelFile, SpecialFile };

// A record whose name is no model file (cut at a colon inside a file name, a
// directory, a name spanning lines) is still converted, but nothing of that
// name can have come from its conversion, so nothing is deleted for it. A
// FIFO, device or socket is not converted at all: reading it could block.
static ListedModel classifyModel(const std::string& modelName) {
  const EntryTarget target = lookUpEntry(modelName).target;
  if (target == EntryTarget::RegularFile) return ListedModel::ModelFile;
  return target == EntryTarget::Other ? ListedModel::SpecialFile : ListedModel::NoModelFile;
}

// The line about a record's model, when there is one.
static void reportListedModel(const std::string& modelName, ListedModel kind, const std::string& oldBackup) {
  if (kind == ListedModel::SpecialFile) reportSpecialFileNotConverted(modelName);
  else if (kind == ListedModel::NoModelFile) reportNoModelFile(modelName);
  else if (!oldBackup.empty()) reportOldBackup(oldBackup, modelName);
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
  std::string oldBackup;  // the copy an earlier version left beside it, or ""
  bool converting = false;
  ChildJob conversion;
  bool countsAsModel = false;
  unsigned countAfter = 0;
  bool headerAfter = false;  // the listing went on after it: the next progress line follows
};

// A record's turn: what the serial reader would have printed and done for it.
static bool finishRecord(ListingRecord& record, const Folder& work, RunTally& tally) {
  if (record.overlong) {
    reportRecordTooLong(kMaxListingRecordLength);
    ++tally.conversionFailed;
    return false;
  }
  reportListedModel(record.modelName, record.kind, record.oldBackup);
  if (!record.countsAsModel) {
    ++tally.conversionFailed;
    return false;
  }
  printOutput("converting %s\n", record.modelName.c_str());
  bool converted = record.converting && record.conversion.finish() == 0;
  const bool modelFile = record.kind == ListedModel::ModelFile;
  if (modelFile) removeFile(record.modelName + ".material");
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
  const ChildProgram lua = findChildProgram(luaProgramName());
  OrderedJobs<ListingRecord> conversions(
      jobs, [](ListingRecord& record) { record.conversion.run(); },
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
    if (!overlong) record->kind = classifyModel(record->modelName);
    if (record->kind == ListedModel::ModelFile && !overlong) record->oldBackup = oldBackupOf(record->modelName);
    record->countsAsModel = !overlong && record->kind != ListedModel::SpecialFile;
    if (record->countsAsModel) ++count;
    record->countAfter = count;
    record->headerAfter = !feof(listing);
    const bool more = record->headerAfter;
    const std::string key = overlong ? "" : modelKey(record->modelName);
    conversions.add(std::move(record), key, [&](ListingRecord& ready, size_t) {
      std::vector<ChildArgument> args;
      ready.converting = ready.countsAsModel && conversionArguments(ready.modelName, options, args);
      if (ready.converting) ready.conversion = ChildJob(lua, args);
      return ready.converting;
    });
    if (!more) break;
  }
  conversions.finishAll();
  return count;
}
