// The few file-system calls the codec's output files need, one source per
// platform; the all-or-nothing logic itself is portable (output_file.cpp).
#pragma once

#include <cstdio>
#include <string>

enum class CreateResult { Created, NameTaken, Failed };

// Creates a new file for binary writing: never over an existing file, never
// through a link.
CreateResult createNewBinaryFile(const std::string& path, FILE*& stream);

// True when the entry itself is a directory (a link is not followed).
bool isDirectoryEntry(const std::string& path);

// Renames over `to`, replacing a file or link of that name as a name.
bool renameReplacing(const std::string& from, const std::string& to);

bool removeFile(const std::string& path);

unsigned long currentProcessId();
