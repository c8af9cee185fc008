// Writing at a given offset of a file opened for writing, past its stream's
// buffer: several threads may write different parts of the file at once.
// A stream written this way is not written through stdio as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Writes all `size` bytes at `offset`; false when they could not be stored
// (a full disk among them).
bool writeFileAt(FILE* stream, uint64_t offset, const uint8_t* bytes, size_t size);
