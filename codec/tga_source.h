// TGA source reader: the first half of the encode operation.
#pragma once

#include <string>

// Reads and checks a 24/32-bit TGA source, writes "<base>.dds" and encodes
// every mip level into it. Every outcome is printed.
void encodeTexture(const std::string& sourcePath);
