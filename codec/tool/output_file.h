// All-or-nothing output files: the bytes go to a new temporary file beside
// the final name, which is renamed over the final name only once complete.
// A failure or a kill at any moment leaves under the final name either the
// complete new file or whatever was there before. Where the system offers
// temporaries that vanish with the process (Linux's unnamed files, Windows'
// delete-on-close), nothing of an unfinished output remains however the
// process ends; elsewhere the named temporary is removed when an
// interrupting signal ends the process, and only a SIGKILL or a power cut
// can leave one (".tessark-*.tmp", safe to delete once no Tessark runs). The temporary is created,
// renamed and removed through a handle on the output's folder, so a folder
// renamed away meanwhile keeps no temporary file of ours.
#pragma once

#include <cstdio>
#include <string>

#include "files/folder_handle.h"

struct OutputFile {
  FILE* stream = nullptr;
  Folder folder;
  std::string temporaryName;  // both names within the folder
  std::string finalName;
  bool vanishing = false;  // a temporary that vanishes with the process
};

// Temporaries are named by tessarkTemporaryName (common/file_names.h) in the
// final name's folder: they never end in ".tga" or ".dds", so they can never
// be an output name.

// Creates a fresh temporary file for finalPath (never an existing file or
// link). False when none could be created or finalPath is a directory.
bool createOutputFile(const std::string& finalPath, OutputFile& file);

// Flushes, closes and renames the temporary over the final name; a link of
// that name is replaced as a name, its target left alone. False on any
// failure, after removing the temporary.
bool commitOutputFile(OutputFile& file);

// Closes and removes the temporary of an output that will not be completed.
void discardOutputFile(OutputFile& file);
