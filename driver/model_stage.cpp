// The binary model stage: every model file goes to the outside model
// compiler, which rewrites it in place. A copy of the model is kept beside it
// while the compiler runs, so a compiler that fails, or is ended with a
// killed run, never leaves a model cut short: the copy is put back, at once
// or by the next run.
#include <cstdio>
#include <memory>
#include <vector>

#include "run_report.h"
#include "diagnostics.h"
#include "ordered_jobs.h"
#include "platform/host_names.h"
#include "process.h"
#include "stage_files.h"
#include "stages.h"
#include "work_paths.h"

constexpr char kModelCopyTemporaryName[] = ".quorvel-model.tmp";
constexpr char kBackupPrefix[] = ".quorvel-backup-";

static std::string backupNameOf(const std::string& fileName) { return kBackupPrefix + fileName; }

// Puts back the models whose compiling a killed run left unfinished.
static bool restoreUnfinishedModels(const Folder& work) {
  std::vector<std::string> names;
  std::string why;
  if (!listFolder(work, names, why)) return false;  // the stage's own walk reports it
  bool restored = true;
  for (const std::string& name : names) {
    if (name.rfind(kBackupPrefix, 0) != 0) continue;
    const EntryInfo backup = entryIn(work, name);
    if (backup.isLink || backup.target != EntryTarget::RegularFile) continue;
    if (renameReplacingIn(work, name, work, name.substr(sizeof kBackupPrefix - 1))) continue;
    printDiagnostic("Quorvel: cannot put back %s\n", printableName(pathIn(work.path, name)).c_str());
    restored = false;
  }
  return restored;
}

enum class ModelChoice { Compile, PassOver, Fail };

// One model on its way through the stage. Whatever it has to say waits for
// its turn, so several compilers may run at once with the output of one.
struct ModelJob {
  std::string fileName;
  ModelChoice choice = ModelChoice::Compile;
  std::string message;  // the driver's line about the model's links or copy, or ""
  bool captured = false;
  CapturedRun run;
};

// The model's copy is made under a temporary name and only then given its
// backup name: a run killed while copying must not leave a partial copy that
// the next run would put back over the model.
static bool keepCopyAside(const Folder& work, const std::string& fileName) {
  if (!copyFileIn(work, fileName, work, kModelCopyTemporaryName)) return false;
  if (renameReplacingIn(work, kModelCopyTemporaryName, work, backupNameOf(fileName))) return true;
  removeFileIn(work, kModelCopyTemporaryName);
  return false;
}

// Rewriting in place through a link would write outside the work
// directory: a symbolic link is passed over, and a file with other hard
// links first gets a copy of its own, so the other names keep their bytes.
// Then a copy of the model is kept aside while the compiler rewrites it.
static void prepareModel(const Folder& work, ModelJob& job) {
  const std::string modelPath = printableName(pathIn(work.path, job.fileName));
  const EntryInfo entry = entryIn(work, job.fileName);
  if (entry.isLink) {
    job.message = "Quorvel: not compiling " + modelPath + ": it is a symbolic link\n";
    job.choice = ModelChoice::PassOver;
    return;
  }
  if (entry.linkCount > 1 && !detachHardLinks(work, job.fileName, kModelCopyTemporaryName)) {
    job.message = "Quorvel: not compiling " + modelPath + ": it has other hard links and could not be given a copy of its own\n";
    job.choice = ModelChoice::Fail;
    return;
  }
  if (entry.linkCount > 1)
    job.message = "Quorvel: " + modelPath + " had other hard links: compiling a copy of its own, the other names keep their bytes\n";
  if (!keepCopyAside(work, job.fileName)) {
    job.message += "Quorvel: not compiling " + modelPath + ": no copy of it could be kept while it is rewritten\n";
    job.choice = ModelChoice::Fail;
  }
}

static std::vector<ChildArgument> compilerArguments(const Folder& work, const ModelJob& job) {
  const std::string compiler = modelCompilerProgramName();
  const std::string modelPath = pathIn(work.path, job.fileName);
  return {{compiler}, {"-d"}, pathArgument(modelPath), pathArgument(modelPath)};
}

// After the compiler: its copy goes, or comes back when the compiler failed.
static bool settleBackup(const Folder& work, const ModelJob& job, bool compiled) {
  const std::string backup = backupNameOf(job.fileName);
  if (compiled ? removeFileIn(work, backup) : renameReplacingIn(work, backup, work, job.fileName)) return compiled;
  printDiagnostic("Quorvel: cannot %s %s\n", compiled ? "remove" : "put back",
                  printableName(pathIn(work.path, backup)).c_str());
  return false;
}

// The model's turn: its lines, then the compiler's (kept, or written now by
// a compiler started here), then its copy settled. False when it was not
// compiled.
static bool finishModel(const Folder& work, ModelJob& job, RunTally& tally) {
  printOutput("%s\n", job.fileName.c_str());
  if (!job.message.empty()) printDiagnostic("%s", job.message.c_str());
  if (job.choice == ModelChoice::PassOver) return true;
  bool compiled = false;
  if (job.choice == ModelChoice::Compile) {
    if (job.captured) writeCapturedRun(job.run);
    else job.run.status = runAndWait(modelCompilerProgramName(), compilerArguments(work, job));
    compiled = settleBackup(work, job, job.run.status == 0);
  }
  ++(compiled ? tally.compiled : tally.compileFailed);
  return compiled;
}

bool convertBinaryModels(const Folder& work, RunTally* tally, unsigned jobs) {
  printOutput("Converting all binary-mdl to ascii-mdl\n");
  removeLeftoverTemporary(work, kModelCopyTemporaryName);
  bool allCompiled = restoreUnfinishedModels(work);
  std::vector<std::string> models;
  if (!listStageFiles(work, ".mdl", models)) allCompiled = false;
  RunTally ignored;
  RunTally& counts = tally ? *tally : ignored;
  startProgress("compiling models", models.size());
  // A compiler that cannot be found is left to the model's turn, which names it once.
  const std::string compilerPath = jobs > 1 ? programPathOf(modelCompilerProgramName()) : "";
  size_t finished = 0;
  OrderedJobs<ModelJob> compiles(
      jobs,
      [&](ModelJob& job) {
        job.run = runCaptured(compilerPath, compilerArguments(work, job), nullptr);
        job.captured = true;
      },
      [&](ModelJob& job) {
        if (!finishModel(work, job, counts)) allCompiled = false;
        advanceProgress(++finished);
      });
  for (const std::string& fileName : models) {
    auto job = std::make_unique<ModelJob>();
    job->fileName = fileName;
    compiles.add(std::move(job), "", [&](ModelJob& ready) {
      prepareModel(work, ready);
      return ready.choice == ModelChoice::Compile && !compilerPath.empty();
    });
  }
  compiles.finishAll();
  clearProgress();
  return allCompiled;
}
