// Where the texture NAME.tga of a material or container may stand. On a
// case-sensitive file system the extension matches in any case, as in the
// directory walk: rock.TGA is the texture of rock.
#pragma once

#include <string>
#include <vector>

#include "files/folder.h"

// Every spelling of the extension in upper and lower case (".tga", ".tgA", ...).
std::vector<std::string> extensionSpellings(const std::string& extension);

enum class TextureEntry {
  Absent,
  Present,              // an entry that is not a dangling link
  DanglingLinkAtName,   // only a dangling link, under NAME.tga itself
};

// What stands under `baseName` + ".tga" in any case, in `folder`.
TextureEntry lookUpTexture(const Folder& folder, const std::string& baseName);

// True when a regular file (or a link to one) is the texture of baseName.
bool textureFileExists(const Folder& folder, const std::string& baseName);

// As textureFileExists, but the whole name NAME.tga compared without regard
// to the case of ASCII letters on every system, as Windows compares names:
// one folder then keeps the same models whichever system checks it.
bool textureFileExistsIgnoringCase(const Folder& folder, const std::string& baseName);
