// The binary model stage: every model file goes to the outside model
// compiler, which reads it where it is and writes its text form into the
// run's scratch area. The result replaces the model by one rename, and only
// while the model is still the file the compiler read: a kill at any moment
// leaves the model exactly as it was, and a model the user saved anew or
// removed meanwhile stays the user's.
#include <cstdio>
#include <memory>
#include <vector>

#include "files/file_ops.h"
#include "diagnostics.h"
#include "old_backup.h"
#include "ordered_jobs.h"
#include "platform/host_names.h"
#include "process.h"
#include "stage_files.h"
#include "stages.h"
#include "files/paths.h"

enum class ModelChoice { Compile, PassOver, Fail };

// One model on its way through the stage. Whatever it has to say waits for
// its turn, so several compilers may run at once with the output of one.
struct ModelJob {
  std::string fileName;
  ModelChoice choice = ModelChoice::Compile;
  std::string backedUp;    // the model an earlier version's copy is of, or ""
  std::string why;         // why it is not compiled, or ""
  std::string resultName;  // the compiler's result in the area: the model's name, or its short name
  FileStamp before;        // the model as the compiler is given it
  ChildJob compiler;
};

// A model that is a symbolic link is passed over: its result would replace
// the link, not the file it reaches. The copy an earlier version kept aside
// is the user's to keep or delete, and no model. A device name (Windows) is
// never read, and a name the compiler would receive as another one never
// handed to it.
static void prepareModel(const Folder& work, ModelJob& job) {
  if (isOldBackupName(job.fileName, job.backedUp)) {
    job.choice = ModelChoice::PassOver;
    return;
  }
  const EntryInfo entry = entryIn(work, job.fileName);
  if (entry.isLink) {
    job.why = "it is a symbolic link";
    job.choice = ModelChoice::PassOver;
    return;
  }
  const std::string unusable = whyNameIsUnusable(pathIn(work.path, job.fileName));
  job.resultName = childSafeNameIn(work, job.fileName);
  const std::string why = !unusable.empty() ? unusable
                          : job.resultName.empty()
                              ? "the compiler would receive its name as another one (it does not survive the ANSI "
                                "code page and has no short name); rename it"
                          : !fileStampIn(work, job.fileName, job.before) ? "it is gone"
                                                                         : "";
  if (why.empty()) return;
  job.why = why;
  job.choice = ModelChoice::Fail;
}

static std::vector<ChildArgument> compilerArguments(const Folder& work, const RunArea& run, const ModelJob& job) {
  const std::string compiler = modelCompilerProgramName();
  return {{compiler}, {"-d"}, pathArgument(pathIn(work.path, job.fileName)),
          pathArgument(pathIn(run.models.path, job.resultName))};
}

// Why the compiler's result may not replace the model, or "" when it may.
static std::string whyNotReplaced(const Folder& work, const RunArea& run, const ModelJob& job) {
  const EntryInfo result = entryIn(run.models, job.resultName);
  if (result.isLink || result.target != EntryTarget::RegularFile) return "the compiler's result is not a regular file";
  FileStamp now;
  if (!fileStampIn(work, job.fileName, now)) return "it was removed while the compiler ran";
  if (now != job.before) return "it changed while the compiler ran";
  copyPermissionsIn(work, job.fileName, run.models, job.resultName);
  if (!renameReplacingIn(run.models, job.resultName, work, job.fileName))
    return "the result could not be renamed into place";
  return "";
}

// After a compiler that ended with status 0: its result takes the model's
// place; no result leaves the model as it is. False when a result was dropped.
static bool placeResult(const Folder& work, const RunArea& run, const ModelJob& job) {
  if (!entryIn(run.models, job.resultName).exists) return true;
  const std::string why = whyNotReplaced(work, run, job);
  if (why.empty()) return true;
  removeFileIn(run.models, job.resultName);
  reportCompiledFormDropped(pathIn(work.path, job.fileName), why);
  return false;
}

// The model's turn: its lines, then the compiler's (kept, or written now by
// a compiler started here), then its result put in place. False when it was
// not compiled.
static bool finishModel(const Folder& work, const RunArea& run, ModelJob& job, RunTally& tally) {
  printOutput("%s\n", job.fileName.c_str());
  if (!job.backedUp.empty()) reportOldBackup(pathIn(work.path, job.fileName), pathIn(work.path, job.backedUp));
  else if (!job.why.empty()) reportNotCompiled(pathIn(work.path, job.fileName), job.why);
  if (job.choice == ModelChoice::PassOver) return true;
  bool compiled = false;
  if (job.choice == ModelChoice::Compile) {
    if (job.compiler.finish() == 0) compiled = placeResult(work, run, job);
    else removeFileIn(run.models, job.resultName);  // a failed compiler's result is no model
  }
  ++(compiled ? tally.compiled : tally.compileFailed);
  return compiled;
}

// Two names of one file (hard links) never compile at once.
static std::string fileKey(const Folder& work, const std::string& fileName) {
  FileStamp stamp;
  if (!fileStampIn(work, fileName, stamp)) return "";
  return std::to_string(stamp.device) + ":" + std::to_string(stamp.file);
}

bool convertBinaryModels(const Folder& work, const RunArea& run, RunTally* tally, unsigned jobs) {
  printOutput("Converting all binary-mdl to ascii-mdl\n");
  std::vector<std::string> models;
  bool allCompiled = listStageFiles(work, ".mdl", models);
  RunTally ignored;
  RunTally& counts = tally ? *tally : ignored;
  startProgress("compiling models", models.size());
  size_t finished = 0;
  const ChildProgram compiler = findChildProgram(modelCompilerProgramName());
  OrderedJobs<ModelJob> compiles(
      jobs, [](ModelJob& job) { job.compiler.run(); },
      [&](ModelJob& job) {
        if (!finishModel(work, run, job, counts)) allCompiled = false;
        advanceProgress(++finished);
      });
  for (const std::string& fileName : models) {
    auto job = std::make_unique<ModelJob>();
    job->fileName = fileName;
    compiles.add(std::move(job), fileKey(work, fileName), [&](ModelJob& ready, size_t) {
      prepareModel(work, ready);
      if (ready.choice != ModelChoice::Compile) return false;
      ready.compiler = ChildJob(compiler, compilerArguments(work, run, ready));
      return true;
    });
  }
  compiles.finishAll();
  clearProgress();
  return allCompiled;
}
