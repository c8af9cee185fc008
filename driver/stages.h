// The directory-mode stages: texture decode, material script, model compile.
// Each takes the work directory and returns false when it left work undone.
#pragma once

#include <cstdio>
#include <string>

// Every container (".dds") of the work directory without a texture becomes
// one TGA texture of the same base name, decoded by the codec tool in a
// scratch folder. False when a container yielded no texture (each is named
// on standard error).
bool decodeTextures(const std::string& workDirectory);

// Writes "universal.material" in `directory`: the untextured material
// "BaseWhiteNoLighting", then one material per TGA texture of the directory,
// under a temporary name renamed into place. False when it could not be
// created or written.
bool writeUniversalMaterial(const std::string& directory);

// One material block on `script`; `textureName` null for none.
void writeMaterialBlock(FILE* script, const std::string& materialName, const char* textureName);

// Hands every model file (".mdl") of the work directory to the model compiler,
// which rewrites it in text form in place; models that are links are passed
// over. False when the compiler could not be started or failed on a model.
bool convertBinaryModels(const std::string& workDirectory);
