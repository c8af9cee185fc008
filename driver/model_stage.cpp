// The binary model stage: every model file goes to the outside model
// compiler, which rewrites it in place.
#include <cstdio>

#include "diagnostics.h"
#include "platform/file_ops.h"
#include "platform/host_names.h"
#include "process.h"
#include "stage_files.h"
#include "stages.h"
#include "work_paths.h"

bool convertBinaryModels(const std::string& workDirectory) {
  printf("Converting all binary-mdl to ascii-mdl\n");
  const std::string compiler = modelCompilerProgramName();
  bool allCompiled = true;
  for (const std::string& fileName : listStageFiles(workDirectory, ".mdl")) {
    printf("%s\n", fileName.c_str());
    const std::string modelPath = pathIn(workDirectory, fileName);
    // Rewriting through a link would write outside the work directory.
    if (lookUpEntry(modelPath).isLink) {
      fprintf(stderr, "Quorvel: not compiling %s: it is a symbolic link\n", printableName(modelPath).c_str());
      continue;
    }
    if (runAndWait(compiler, {{compiler}, {"-d"}, pathArgument(modelPath), pathArgument(modelPath)}) != 0)
      allCompiled = false;
  }
  return allCompiled;
}
