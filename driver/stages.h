// The directory-mode stages: texture decode, material script, model compile.
#pragma once

#include <cstdio>
#include <string>

// The material script being written; open only while writeUniversalMaterial runs.
extern FILE* materialStream;

// Every container (".dds") of the work directory without a texture becomes
// one TGA texture of the same base name, decoded by the codec tool in a
// scratch folder. False when a container yielded no texture (each is named
// on standard error).
bool decodeTextures();

// Writes "universal.material" in `directory`: the untextured material
// "BaseWhiteNoLighting", then one material per TGA texture of the directory,
// under a temporary name renamed into place. False when it could not be
// created or written.
bool writeUniversalMaterial(const std::string& directory);

// One material block on materialStream; `textureName` null for none.
void writeMaterialBlock(const std::string& materialName, const char* textureName);

// Hands every model file (".mdl") of the work directory to the model compiler,
// which rewrites it in text form in place; models that are links are passed
// over. False when the compiler could not be started.
bool convertBinaryModels();
