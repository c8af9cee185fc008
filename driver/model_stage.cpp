// The binary model stage: every model file goes to the outside model
// compiler, which rewrites it in place.
#include <cstdio>

#include "diagnostics.h"
#include "platform/host_names.h"
#include "process.h"
#include "stage_files.h"
#include "stages.h"
#include "work_paths.h"

constexpr char kModelCopyTemporaryName[] = ".quorvel-model.tmp";

// Rewriting in place through a link would write outside the work
// directory: a symbolic link is passed over, and a file with other hard
// links first gets a copy of its own, so the other names keep their bytes.
enum class ModelChoice { Compile, PassOver, Fail };

static ModelChoice chooseForCompiling(const Folder& work, const std::string& fileName) {
  const std::string modelPath = printableName(pathIn(work.path, fileName));
  const EntryInfo entry = entryIn(work, fileName);
  if (entry.isLink) {
    fprintf(stderr, "Quorvel: not compiling %s: it is a symbolic link\n", modelPath.c_str());
    return ModelChoice::PassOver;
  }
  if (entry.linkCount <= 1) return ModelChoice::Compile;
  if (!detachHardLinks(work, fileName, kModelCopyTemporaryName)) {
    fprintf(stderr, "Quorvel: not compiling %s: it has other hard links and could not be given a copy of its own\n",
            modelPath.c_str());
    return ModelChoice::Fail;
  }
  fprintf(stderr, "Quorvel: %s had other hard links: compiling a copy of its own, the other names keep their bytes\n",
          modelPath.c_str());
  return ModelChoice::Compile;
}

bool convertBinaryModels(const Folder& work) {
  printf("Converting all binary-mdl to ascii-mdl\n");
  removeLeftoverTemporary(work, kModelCopyTemporaryName);
  const std::string compiler = modelCompilerProgramName();
  std::vector<std::string> models;
  bool allCompiled = listStageFiles(work, ".mdl", models);
  for (const std::string& fileName : models) {
    printf("%s\n", fileName.c_str());
    const ModelChoice choice = chooseForCompiling(work, fileName);
    if (choice != ModelChoice::Compile) {
      if (choice == ModelChoice::Fail) allCompiled = false;
      continue;
    }
    const std::string modelPath = pathIn(work.path, fileName);
    if (runAndWait(compiler, {{compiler}, {"-d"}, pathArgument(modelPath), pathArgument(modelPath)}) != 0)
      allCompiled = false;
  }
  return allCompiled;
}
