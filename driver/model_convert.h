// Listing mode's per-model work: conversion by the Lua script, then the check
// that every material the mesh names has a TGA texture in the work directory.
#pragma once

#include <cstdio>
#include <string>

// Runs the conversion script on one model with the options chosen by the
// switches (first character "0" adds a -no... flag, "1" adds nothing, anything
// else starts no conversion), then deletes the model's own material file.
void convertModel(const std::string& modelName, const std::string& value, const std::string& skeleton,
                  const std::string& boneRotation, const std::string& animationPosition);

// Removes all five output files of a model whose mesh names a material without
// a texture, or whose mesh cannot be read. Returns true when the outputs stay.
bool verifyModel(const std::string& modelName);

// True when every material token of the mesh XML file names an existing
// texture; false at the first one that does not, or when the file cannot be opened.
bool scanMeshMaterials(const std::string& meshXmlPath);

// True when the work directory holds the TGA texture for the material name.
bool textureExists(const std::string& materialName);

// One white-space separated token of any length; false at the end of the file.
bool readToken(FILE* in, std::string& token);

// The name in a material token (material="NAME"): the token from offset 10
// without its last character; empty when the token holds nothing there.
std::string materialNameOfToken(const std::string& token);
