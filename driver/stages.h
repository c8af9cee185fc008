// The directory-mode stages: texture decode, material script, model compile.
// Each takes the work directory and returns false when it left work undone.
#pragma once

#include <cstdio>
#include <string>

#include "files/folder.h"
#include "run_report.h"

// Every container (".dds") of the work directory without a texture becomes
// one TGA texture of the same base name, decoded by the codec tool in a
// scratch folder, up to `jobs` decoders at once with the results of one at a
// time. False when a container yielded no texture or its decoder failed (each
// is named on standard error).
bool decodeTextures(const Folder& work, unsigned jobs = 1, RunTally* tally = nullptr);

// Writes "universal.material" in the work directory: the untextured material
// "BaseWhiteNoLighting", then one material per TGA texture of the directory,
// under a temporary name renamed into place. False when it could not be
// created or written, or the directory could not be listed (the old script
// then stays).
bool writeUniversalMaterial(const Folder& work);

// One material block on `script`; `textureName` null for none.
void writeMaterialBlock(FILE* script, const std::string& materialName, const char* textureName);

// Hands every model file (".mdl") of the work directory to the model compiler,
// which rewrites it in text form in place; models that are symbolic links
// are passed over, models with other hard links get a copy of their own
// first; up to `jobs` compilers run at once, with the results of one at a
// time. False when the compiler could not be started or failed on a model,
// or a model could not be given a copy of its own.
bool convertBinaryModels(const Folder& work, RunTally* tally = nullptr, unsigned jobs = 1);
