// Tessark's inputs: a path opened only when it names a regular file, and
// read either whole (a container, bounded by the size it had when opened)
// or as the encoder's byte source (a TGA source, read as it is encoded).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "encode/encoder.h"

// Reads exactly the size the file reported when it was opened, so memory
// stays bounded by it even if the file grows meanwhile. False on a read
// error or when the file does not fit in memory.
bool readWholeFile(FILE* in, uint64_t size, std::vector<uint8_t>& data);

// The encoder's source reading from `in`, in order.
ByteSource fileByteSource(FILE* in);
