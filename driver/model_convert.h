// Listing mode's per-model work: conversion by the Lua script, then the check
// that every material the mesh names has a TGA texture in the work directory.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "files/folder.h"
#include "process.h"

// What listing mode hands unchanged to every model conversion.
struct ConversionOptions {
  std::string value;              // passed behind "-s"
  std::string skeleton;           // switches: first character "0" or "1"
  std::string boneRotation;
  std::string animationPosition;
};

// The conversion script's command line for one model, with the flags the
// switches ask for (first character "0" adds a -no... flag, "1" adds
// nothing); false when a switch starts with anything else, which starts no
// conversion.
bool conversionArguments(const std::string& modelName, const ConversionOptions& options,
                         std::vector<ChildArgument>& args);

// True when a switch's first character is "0" or "1".
bool isValidSwitch(const std::string& switchText);

enum class Verification {
  OutputsKept,
  OutputsRemoved,  // the mesh names a material without a texture: the check did its work
  Failed,          // the mesh could not be read (its outputs removed), or an output could not be removed
};

// Removes all five output files of a model whose mesh names a material without
// a texture, or whose mesh cannot be read, and says so on standard error.
Verification verifyModel(const std::string& modelName, const Folder& work);

enum class MeshCheck { AllTexturesFound, TextureMissing, Unreadable };

// Whether every material token of the mesh XML file names an existing
// texture; stops at the first that does not (its name in missingMaterial).
// A file that is not a readable regular file is Unreadable.
MeshCheck scanMeshMaterials(const std::string& meshXmlPath, const Folder& work, std::string& missingMaterial);

// True when the work directory holds the TGA texture for the material name:
// a regular file (or a link to one) whose name is NAME.tga with ASCII
// letters in any case, on every system.
bool textureExists(const Folder& work, const std::string& materialName);

// One white-space separated token of any length; false at the end of the file.
bool readToken(FILE* in, std::string& token);

// The name in a material token (material="NAME"): the token from offset 10
// without its last character; empty when the token holds nothing there.
std::string materialNameOfToken(const std::string& token);
