// Windows offers no calls relative to a folder handle in its documented API,
// so names are joined to the folder's path; the handle is held without
// delete sharing instead, so the folder cannot be renamed, removed or
// replaced by a link while it is open.
#include "files/folder.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "files/file_faults.h"
#include "files/paths.h"
#include "files/program_text.h"
#include "files/wide_path.h"

static std::string in(const Folder& folder, const std::string& name) { return pathIn(folder.path, name); }
static std::wstring wideIn(const Folder& folder, const std::string& name) { return widePath(in(folder, name)); }

static std::string lastErrorText() { return "error " + std::to_string(GetLastError()); }

static HANDLE openFolderHandle(const std::string& path) {
  return CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

static bool isPlainFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool openFolder(const std::string& path, Folder& folder, std::string& why) {
  const std::wstring opened = widePath(path.empty() ? "." : path);
  const DWORD attributes = GetFileAttributesW(opened.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    why = "not a folder";
    return false;
  }
  const HANDLE handle = CreateFileW(opened.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
  return CreateDirectoryW(wideIn(parent, name).c_str(), nullptr) != 0;
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

EntryInfo entryIn(const Folder& folder, const std::string& name) { return lookUpEntry(in(folder, name)); }

bool isDirectoryIn(const Folder& folder, const std::string& name) {
  const DWORD attributes = GetFileAttributesW(wideIn(folder, name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool listFolder(const Folder& folder, std::vector<std::string>& names, std::string& why) {
  names.clear();
  WIN32_FIND_DATAW match;
  const HANDLE search = FindFirstFileW(wideIn(folder, "*").c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) {
    why = lastErrorText();
    return false;
  }
  do {
    const std::string name = narrowName(match.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &match));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  if (!complete) why = lastErrorText();
  FindClose(search);
  std::sort(names.begin(), names.end());
  return complete;
}

bool removeFileIn(const Folder& folder, const std::string& name) { return removeFile(in(folder, name)); }

bool removeFolderIn(const Folder& parent, const std::string& name) {
  return RemoveDirectoryW(wideIn(parent, name).c_str()) != 0;
}

// MoveFileW without MOVEFILE_REPLACE_EXISTING fails when the target exists.
bool renameWithoutReplacingIn(const Folder& from, const std::string& fromName, const Folder& to,
                              const std::string& toName) {
  return MoveFileW(wideIn(from, fromName).c_str(), wideIn(to, toName).c_str()) != 0;
}

bool renameReplacingIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  return MoveFileExW(wideIn(from, fromName).c_str(), wideIn(to, toName).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

CreateResult createFileIn(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream) {
  const bool text = mode == FileMode::Text;
  const std::wstring wide = wideIn(folder, name);
  const int fd = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | (text ? _O_TEXT : _O_BINARY) | _O_NOINHERIT,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  stream = fdopenFaultPlanted() ? nullptr : _fdopen(fd, text ? "wt" : "wb");
  if (stream) return CreateResult::Created;
  _close(fd);
  DeleteFileW(wide.c_str());
  return CreateResult::Failed;
}

static bool copyBytes(HANDLE from, HANDLE to) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) return true;
    if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) return false;
  }
}

// A complete copy with plain attributes under `toName`, or nothing there.
static bool copyFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  const HANDLE source = CreateFileW(wideIn(from, fromName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (source == INVALID_HANDLE_VALUE) return false;
  const std::wstring target = wideIn(to, toName);
  const HANDLE copy = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool copied = false;
  if (copy != INVALID_HANDLE_VALUE) {
    copied = copyBytes(source, copy);
    copied = CloseHandle(copy) && copied;
    if (!copied) DeleteFileW(target.c_str());
  }
  CloseHandle(source);
  return copied;
}

// A hard link would share the file's read-only attribute and every lock
// another program holds on it, and could then be neither read nor deleted:
// the alias is a fresh copy with plain attributes, ours alone.
bool aliasFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  return copyFileIn(from, fromName, to, toName);
}

bool fileStampIn(const Folder& folder, const std::string& name, FileStamp& stamp) {
  return fileStampOfPath(in(folder, name), false, stamp);
}

// Windows keeps who may read a file in its folder's inherited rights; the
// read-only attribute stops the rename over it, which is then reported.
bool copyPermissionsIn(const Folder&, const std::string&, const Folder&, const std::string&) { return true; }

// A named mutex per folder, named after the folder's identity (volume and
// file index, whatever path reached it), so no lock file is needed: the
// system releases it when the process ends, however it ends, and the next
// waiter then takes it.
static std::wstring lockName(const Folder& folder) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(folder.handle), &information)) return std::wstring();
  return L"Local\\quorvel-" + std::to_wstring(information.dwVolumeSerialNumber) + L"-" +
         std::to_wstring(information.nFileIndexHigh) + L"-" + std::to_wstring(information.nFileIndexLow);
}

bool lockFolder(const Folder& folder, void (*waiting)(const Folder&), std::string& why) {
  const std::wstring name = lockName(folder);
  const HANDLE mutex = name.empty() ? nullptr : CreateMutexW(nullptr, FALSE, name.c_str());
  if (!mutex) {
    why = lastErrorText();
    return false;
  }
  DWORD result = WaitForSingleObject(mutex, 0);
  if (result == WAIT_TIMEOUT) {
    waiting(folder);
    result = WaitForSingleObject(mutex, INFINITE);
  }
  // An abandoned mutex is a run that was killed: the folder is ours now.
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
  why = lastErrorText();
  CloseHandle(mutex);
  return false;
}

std::string childSafeNameIn(const Folder& folder, const std::string& name) {
  if (survivesCodePage(name)) return name;
  wchar_t shortPath[32768];
  const DWORD length = GetShortPathNameW(wideIn(folder, name).c_str(), shortPath, 32768);
  if (length == 0 || length >= 32768) return std::string();
  const std::string full = narrowName(shortPath);
  const std::string shortName = full.substr(full.find_last_of("\\/") + 1);
  return survivesCodePage(shortName) ? shortName : std::string();
}

// Children are ended with the process (a job object that kills on close), so
// no child can outlive it to hold a folder.
bool holdFolderWithChildren(const Folder&) { return true; }

bool folderIsHeld(const Folder&) { return false; }
