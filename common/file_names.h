// The file names Tessark writes and Quorvel relies on: Quorvel empties its
// decoders' slots of exactly these names, so a name changed on one side only
// would leave them full.
#pragma once

#include <string>

// Tessark's temporary output, beside the final name until it is complete:
// ".tessark-<process id>-<counter>.tmp".
std::string tessarkTemporaryName(unsigned long processId, unsigned counter);
bool isTessarkTemporaryName(const std::string& name);

// The file of decoded level `number`: "<base><number>.tga".
std::string levelFileName(const std::string& baseName, int number);
// Whether name is "<stem><digits>.tga", the level file of some level.
bool isLevelFileName(const std::string& name, const std::string& stem);
