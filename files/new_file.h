// Creating, renaming and removing single files, for both programs: one
// source per platform, nothing but the system calls.
#pragma once

#include <cstdio>
#include <string>

// Unsupported: the system or file system has no file of the kind asked for.
enum class CreateResult { Created, NameTaken, Failed, Unsupported };
enum class FileMode { Binary, Text };  // Text: CR LF line ends on Windows

// Creates a new file for writing: never over an existing file, never
// through a link.
CreateResult createNewFile(const std::string& path, FileMode mode, FILE*& stream);

// True when the entry itself is a directory (a link is not followed).
bool isDirectoryEntry(const std::string& path);

// Renames over `to`, replacing a file or link of that name as a name (a
// link's target is never touched).
bool renameReplacing(const std::string& from, const std::string& to);

bool removeFile(const std::string& path);

unsigned long currentProcessId();
