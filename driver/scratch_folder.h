// The run's own scratch area inside the work directory. Every temporary file
// of a run lives there and nowhere else: the decoders' level files, the
// compiled models, the material script being written. Only finished files
// leave it, each by one rename. Each run has an area of its own
// (WORKDIR/.quorvel-scratch/N), held by the run and its children for as long
// as any of them lives, so what a killed run's leftover child still writes
// never meets a later run's files; a later run removes an area once nobody
// holds it. Everything in it is done through folder handles.
#pragma once

#include <string>

#include "files/folder.h"

// The container's name inside a decode slot, and the decoder's level 0 of it.
extern const std::string kScratchContainerName;
extern const std::string kScratchLevelZeroName;

struct RunArea {
  Folder scratch;  // WORKDIR/.quorvel-scratch
  Folder area;     // this run's folder in it
  std::string areaName;
  Folder models;   // the area's folder of compiled models, named as the models
};

// Removes what earlier runs left (areas nobody holds, and the scratch folders
// of earlier versions), then makes, holds and opens this run's area. False,
// after a line on standard error, when no area could be made; `cleanedUp`
// is false, after a line, when something in the scratch folder is not ours.
bool openRunArea(const Folder& work, RunArea& run, bool& cleanedUp);

// Removes this run's area, and the scratch folder when nothing else is in it.
void closeRunArea(const Folder& work, RunArea& run);

// Each decoder that runs at once has a folder of its own in the area (its slot).
bool openDecodeSlot(const RunArea& run, size_t slot, Folder& folder);

// Removes what a decode left in a slot: only names that are recognisably
// ours (the container alias, level files, the decoder's temporary files).
// Returns false when anything else is in the way or the slot cannot be listed.
bool emptyDecodeSlot(const Folder& slot);
