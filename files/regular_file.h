// Opening an input that must be a regular file, for both programs: a FIFO, a
// device or a directory (or a link to one) is refused at once, without
// blocking.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

enum class InputOpenResult { Opened, CannotOpen, NotRegularFile };

// On Opened, stream is open for binary reading and size is the file's size.
InputOpenResult openRegularFile(const std::string& path, FILE*& stream, uint64_t& size);
