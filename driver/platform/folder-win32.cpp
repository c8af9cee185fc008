// Windows offers no calls relative to a folder handle in its documented API,
// so names are joined to the folder's path; the handle is held without
// delete sharing instead, so the folder cannot be renamed, removed or
// replaced by a link while it is open.
#include "folder.h"

#include <windows.h>

#include <algorithm>

#include "work_paths.h"

constexpr char kLockFileName[] = ".quorvel-lock";

static std::string in(const Folder& folder, const std::string& name) { return pathIn(folder.path, name); }

static std::string lastErrorText() { return "error " + std::to_string(GetLastError()); }

static HANDLE openFolderHandle(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

static bool isPlainFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool openFolder(const std::string& path, Folder& folder, std::string& why) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    why = lastErrorText();
    return false;
  }
  folder.path = path;
  folder.handle = reinterpret_cast<intptr_t>(handle);
  return true;
}

bool makeFolderIn(const Folder& parent, const std::string& name) {
  return CreateDirectoryA(in(parent, name).c_str(), nullptr) != 0;
}

bool openFolderIn(const Folder& parent, const std::string& name, Folder& folder) {
  const std::string path = in(parent, name);
  if (!isPlainFolder(path)) return false;
  const HANDLE handle = openFolderHandle(path);
  if (handle == INVALID_HANDLE_VALUE) return false;
  folder.path = path;
  folder.handle = reinterpret_cast<intptr_t>(handle);
  return true;
}

void closeFolder(Folder& folder) {
  if (folder.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(folder.handle));
  folder.handle = -1;
}

static unsigned long linkCountOf(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  return known ? information.nNumberOfLinks : 1;
}

EntryInfo entryIn(const Folder& folder, const std::string& name) {
  EntryInfo entry = lookUpEntry(in(folder, name));
  if (entry.exists && entry.target == EntryTarget::RegularFile) entry.linkCount = linkCountOf(in(folder, name));
  return entry;
}

bool listFolder(const Folder& folder, std::vector<std::string>& names, std::string& why) {
  names.clear();
  WIN32_FIND_DATAA match;
  const HANDLE search = FindFirstFileA(in(folder, "*").c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) {
    why = lastErrorText();
    return false;
  }
  do {
    const std::string name = match.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &match));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  if (!complete) why = lastErrorText();
  FindClose(search);
  std::sort(names.begin(), names.end());
  return complete;
}

bool removeFileIn(const Folder& folder, const std::string& name) { return DeleteFileA(in(folder, name).c_str()) != 0; }

bool removeFolderIn(const Folder& parent, const std::string& name) {
  return RemoveDirectoryA(in(parent, name).c_str()) != 0;
}

// MoveFileA without MOVEFILE_REPLACE_EXISTING fails when the target exists.
bool renameWithoutReplacingIn(const Folder& from, const std::string& fromName, const Folder& to,
                              const std::string& toName) {
  return MoveFileA(in(from, fromName).c_str(), in(to, toName).c_str()) != 0;
}

bool renameReplacingIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  return renameReplacing(in(from, fromName), in(to, toName));
}

CreateResult createFileIn(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream) {
  return createNewFile(in(folder, name), mode, stream);
}

bool aliasFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  const std::string source = in(from, fromName), alias = in(to, toName);
  if (CreateHardLinkA(alias.c_str(), source.c_str(), nullptr)) return true;
  return CopyFileA(source.c_str(), alias.c_str(), TRUE) != 0;
}

bool detachHardLinks(const Folder& folder, const std::string& name, const std::string& temporaryName) {
  const std::string path = in(folder, name), temporary = in(folder, temporaryName);
  if (!CopyFileA(path.c_str(), temporary.c_str(), TRUE)) return false;
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(temporary.c_str());
  return false;
}

// The lock file stays open until the process ends: the system releases the
// lock then, however the process ended.
bool lockFolder(const Folder& folder, void (*waiting)(const Folder&), std::string& why) {
  const HANDLE file = CreateFileA(in(folder, kLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    why = lastErrorText();
    return false;
  }
  OVERLAPPED whole{};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) return true;
  waiting(folder);
  OVERLAPPED again{};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &again)) return true;
  why = lastErrorText();
  CloseHandle(file);
  return false;
}
