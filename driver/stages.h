// The directory-mode stages: texture decode, material script, model compile.
// Each takes the work directory and returns false when it left work undone.
#pragma once

#include <cstdio>
#include <string>

#include "files/folder.h"
#include "run_report.h"
#include "scratch_folder.h"

// Every container (".dds") of the work directory without a texture becomes
// one TGA texture of the same base name, decoded by the codec tool in a
// slot of the run's scratch area, up to `jobs` decoders at once with the
// results of one at a time. False when a container yielded no texture or its
// decoder failed (each is named on standard error).
bool decodeTextures(const Folder& work, const RunArea& run, unsigned jobs = 1, RunTally* tally = nullptr);

// Writes "universal.material" in the work directory: the untextured material
// "BaseWhiteNoLighting", then one material per TGA texture of the directory,
// written in the run's scratch area and renamed into place. False when it
// could not be created or written, or the directory could not be listed (the
// old script then stays).
bool writeUniversalMaterial(const Folder& work, const RunArea& run);

// One material block on `script`; `textureName` null for none.
void writeMaterialBlock(FILE* script, const std::string& materialName, const char* textureName);

// Hands every model file (".mdl") of the work directory to the model compiler,
// which writes its text form into the run's scratch area; a result replaces
// the model by one rename, and only while the model is still the file the
// compiler read. Models that are symbolic links are passed over; up to
// `jobs` compilers run at once, with the results of one at a time. False
// when the compiler could not be started or failed on a model, or a result
// could not be put in place.
bool convertBinaryModels(const Folder& work, const RunArea& run, RunTally* tally = nullptr, unsigned jobs = 1);
