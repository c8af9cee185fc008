// The binary model stage: every model file goes to the outside model
// compiler, which rewrites it in place. A copy of the model is kept beside it
// while the compiler runs, so a compiler that fails, or is ended with a
// killed run, never leaves a model cut short: the copy is put back, at once
// or by the next run.
#include <cstdio>

#include "run_report.h"
#include "diagnostics.h"
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

// Rewriting in place through a link would write outside the work
// directory: a symbolic link is passed over, and a file with other hard
// links first gets a copy of its own, so the other names keep their bytes.
static ModelChoice chooseForCompiling(const Folder& work, const std::string& fileName) {
  const std::string modelPath = printableName(pathIn(work.path, fileName));
  const EntryInfo entry = entryIn(work, fileName);
  if (entry.isLink) {
    printDiagnostic("Quorvel: not compiling %s: it is a symbolic link\n", modelPath.c_str());
    return ModelChoice::PassOver;
  }
  if (entry.linkCount <= 1) return ModelChoice::Compile;
  if (!detachHardLinks(work, fileName, kModelCopyTemporaryName)) {
    printDiagnostic("Quorvel: not compiling %s: it has other hard links and could not be given a copy of its own\n",
            modelPath.c_str());
    return ModelChoice::Fail;
  }
  printDiagnostic("Quorvel: %s had other hard links: compiling a copy of its own, the other names keep their bytes\n",
          modelPath.c_str());
  return ModelChoice::Compile;
}

// Compiles one model with its copy kept aside; false when the compiler
// failed (the model then has its old bytes again) or no copy could be made.
static bool compileModel(const Folder& work, const std::string& fileName, const std::string& compiler) {
  const std::string modelPath = pathIn(work.path, fileName);
  const std::string backup = backupNameOf(fileName);
  if (!copyFileIn(work, fileName, work, backup)) {
    printDiagnostic("Quorvel: not compiling %s: no copy of it could be kept while it is rewritten\n",
            printableName(modelPath).c_str());
    return false;
  }
  const bool compiled =
      runAndWait(compiler, {{compiler}, {"-d"}, pathArgument(modelPath), pathArgument(modelPath)}) == 0;
  if (compiled ? removeFileIn(work, backup) : renameReplacingIn(work, backup, work, fileName)) return compiled;
  printDiagnostic("Quorvel: cannot %s %s\n", compiled ? "remove" : "put back",
          printableName(pathIn(work.path, backup)).c_str());
  return false;
}

bool convertBinaryModels(const Folder& work, RunTally* tally) {
  printOutput("Converting all binary-mdl to ascii-mdl\n");
  removeLeftoverTemporary(work, kModelCopyTemporaryName);
  bool allCompiled = restoreUnfinishedModels(work);
  const std::string compiler = modelCompilerProgramName();
  std::vector<std::string> models;
  if (!listStageFiles(work, ".mdl", models)) allCompiled = false;
  RunTally ignored;
  RunTally& counts = tally ? *tally : ignored;
  startProgress("compiling models", models.size());
  for (size_t i = 0; i < models.size(); ++i) {
    printOutput("%s\n", models[i].c_str());
    const ModelChoice choice = chooseForCompiling(work, models[i]);
    const bool compiled = choice == ModelChoice::Compile && compileModel(work, models[i], compiler);
    if (choice != ModelChoice::PassOver) ++(compiled ? counts.compiled : counts.compileFailed);
    if (choice != ModelChoice::PassOver && !compiled) allCompiled = false;
    advanceProgress(i + 1);
  }
  clearProgress();
  return allCompiled;
}
