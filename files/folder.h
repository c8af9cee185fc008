// The file operations on names inside an open folder, for both programs:
// one way each to open, list, create, rename and remove. Every name is
// resolved through the folder's handle, never through its path again, so a
// folder that another process renames or replaces by a link meanwhile can
// make an operation fail but never reach a file outside it. (Windows, which
// has no calls relative to a handle in its documented API, joins names to
// the path, and holds the folder open without delete sharing instead, so it
// cannot be renamed, removed or replaced by a link while it is open.)
// Where no folder exists yet (a path from a listing), file_ops.h works by
// path.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "files/file_ops.h"
#include "files/folder_handle.h"

// Unsupported: the system or file system has no file of the kind asked for.
enum class CreateResult { Created, NameTaken, Failed, Unsupported };
enum class FileMode { Binary, Text };  // Text: CR LF line ends on Windows

// Opens the folder at `path` ("" for the current directory; it may be
// reached through links: it is the user's own choice). A folder that may be
// written but not listed is still opened, for work by name. False, with the
// reason in `why`, when it cannot be.
bool openFolder(const std::string& path, Folder& folder, std::string& why);

// Makes the folder `name` inside `parent` (private to this user). False when
// it could not be made, an existing entry of that name included.
bool makeFolderIn(const Folder& parent, const std::string& name);

// Opens the folder `name` inside `parent`; a link of that name is refused.
bool openFolderIn(const Folder& parent, const std::string& name, Folder& folder);

void closeFolder(Folder& folder);

// What stands under `name` in the folder (a link is not followed for
// `isLink`, followed for `target`).
EntryInfo entryIn(const Folder& folder, const std::string& name);

// True when the entry `name` is a directory the system would refuse to
// replace by a file (on POSIX a link is not followed).
bool isDirectoryIn(const Folder& folder, const std::string& name);

// Every entry name but "." and "..", sorted bytewise. False, with the reason
// in `why`, when the folder cannot be listed to its end.
bool listFolder(const Folder& folder, std::vector<std::string>& names, std::string& why);

// Creates the new file `name` for writing: never over an existing entry,
// never through a link.
CreateResult createFileIn(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream);

// Deletes the file or link `name` (never a folder, never a link's target).
bool removeFileIn(const Folder& folder, const std::string& name);

// Removes the empty folder `name`.
bool removeFolderIn(const Folder& parent, const std::string& name);

// Renames `fromName` in `from` to `toName` in `to`; never replaces an entry.
bool renameWithoutReplacingIn(const Folder& from, const std::string& fromName, const Folder& to,
                              const std::string& toName);

// Renames `fromName` in `from` to `toName` in `to`, replacing a file or link
// of the new name as a name (a link's target is never touched).
bool renameReplacingIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName);

// Gives the file `fromName` of `from` (or what a link of that name reaches)
// the second name `toName` in `to`: a hard link, else (a file system without
// links, a file a link would not let go of) a complete copy. Fails when
// `toName` exists.
bool aliasFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName);

// The stamp of the entry `name` itself (a link is not followed). False when
// there is none.
bool fileStampIn(const Folder& folder, const std::string& name, FileStamp& stamp);

// Gives the file `toName` of `to` the permissions of `fromName` in `from`
// (where the system has them), so a file put in another's place keeps who
// may read it.
bool copyPermissionsIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName);

// The name under which a child with a narrow command line receives exactly
// the entry `name` of the folder: the name itself where it survives the
// ANSI code page (always on POSIX), else the entry's short (8.3) name; ""
// when there is none.
std::string childSafeNameIn(const Folder& folder, const std::string& name);

// Holds an exclusive lock on the folder until this process ends (children
// do not inherit it). Returns at once when the lock is free; else calls
// `waiting` once and waits for it. False, with the reason in `why`, when the
// folder cannot be locked at all.
bool lockFolder(const Folder& folder, void (*waiting)(const Folder&), std::string& why);

// Marks the folder as in use by this process and every child it starts
// from now on, for as long as any of them lives (children inherit the mark;
// where children cannot outlive the process, as on Windows, nothing is
// needed). False when the mark cannot be set.
bool holdFolderWithChildren(const Folder& folder);

// True while a process holds the folder through holdFolderWithChildren.
bool folderIsHeld(const Folder& folder);
