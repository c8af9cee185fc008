// Reading from an open input stream, for both programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Reads up to size bytes into out and sets got to how many were read (fewer
// only at the end of the file). False on a read error.
bool readStream(FILE* in, uint8_t* out, size_t size, size_t& got);
