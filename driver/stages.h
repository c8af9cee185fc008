// The directory-mode stages: texture decode, material script, model compile.
#pragma once

#include <cstdio>
#include <string>

// The material script being written; open only while writeUniversalMaterial runs.
extern FILE* materialStream;

// Every container (".dds") of the work directory becomes one TGA texture of
// the same base name, decoded by the codec tool; its mip-level files are removed.
void decodeTextures();

// Writes "universal.material" in `directory`: the untextured material
// "BaseWhiteNoLighting", then one material per TGA texture of the directory.
void writeUniversalMaterial(const std::string& directory);

// One material block on materialStream; `textureName` null for none.
void writeMaterialBlock(const std::string& materialName, const char* textureName);

// Hands every model file (".mdl") of the work directory to the model compiler,
// which rewrites it in text form in place.
void convertBinaryModels();
