#include "files/file_ops.h"

#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "files/wide_path.h"

// The part after the last separator or drive colon.
static std::string lastComponent(const std::string& path) {
  const size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? path : path.substr(end + 1);
}

static std::string upperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 and the console's own names reach a
// device in every directory, whatever extension follows and with trailing
// blanks.
static bool isDeviceName(const std::string& name) {
  std::string stem = upperCase(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         isdigit(static_cast<unsigned char>(stem[3]));
}

// The long name of the entry the system finds for `path`, which may have
// been reached through its 8.3 short name; empty when there is none.
static std::string foundEntryName(const std::string& path) {
  if (path.find_first_of("*?") != std::string::npos) return std::string();  // a pattern, not a name
  WIN32_FIND_DATAW match;
  const HANDLE search = FindFirstFileW(widePath(path).c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) return std::string();
  FindClose(search);
  return narrowName(match.cFileName);
}

// The name the entry of `path` must have to be that very entry: its last
// component, but for "." and "..", which stand for a folder's own name.
static std::string ownName(const std::string& path) {
  const std::string last = lastComponent(path);
  if (last != "." && last != "..") return last;
  const std::wstring wide = widePath(path);
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return lastComponent(path);
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
  if (written == 0 || written >= length) return lastComponent(path);
  full.resize(written);
  return lastComponent(narrowName(full.c_str()));
}

// As Windows compares names: every letter it knows, without regard to case.
static bool windowsNamesAreEqual(const std::string& a, const std::string& b) {
  const std::wstring wideA = widePath(a), wideB = widePath(b);
  return CompareStringOrdinal(wideA.c_str(), -1, wideB.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string whyNameIsUnusable(const std::string& path) {
  const std::string name = lastComponent(path);
  if (isDeviceName(name)) return name + " is a device name on Windows";
  const std::string found = foundEntryName(path);
  if (!found.empty() && !windowsNamesAreEqual(found, ownName(path))) return name + " is another name of " + found;
  return std::string();
}

// The entry of this very name: a device is no file, and an 8.3 short name
// or a name the system trims (trailing dots and blanks) is another entry's;
// "." and ".." are the folders they stand for.
EntryInfo lookUpEntry(const std::string& path) {
  EntryInfo entry;
  if (isDeviceName(lastComponent(path))) {
    entry.exists = true;
    entry.target = EntryTarget::Other;
    return entry;
  }
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return entry;
  const std::string found = foundEntryName(path);
  if (!found.empty() && !windowsNamesAreEqual(found, ownName(path))) return entry;
  entry.exists = true;
  entry.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.target = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryTarget::Directory : EntryTarget::RegularFile;
  return entry;
}

bool fileStampOfPath(const std::string& path, bool followLink, FileStamp& stamp) {
  // Opening a device name would reach the device, which may never answer.
  if (isDeviceName(lastComponent(path))) return false;
  const HANDLE file = CreateFileW(widePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  if (!known) return false;
  stamp.device = information.dwVolumeSerialNumber;
  stamp.file = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  stamp.size = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  stamp.modified = static_cast<int64_t>((static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
                                        information.ftLastWriteTime.dwLowDateTime);
  return true;
}

bool fileStampOf(const std::string& path, FileStamp& stamp) { return fileStampOfPath(path, true, stamp); }

std::string folderSpelling(const std::string& path) {
  const std::string last = lastComponent(path);
  if (last == "." || last == "..") return path;
  std::string trimmed = path;
  while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
  const std::string kept = lastComponent(trimmed);
  // "DIR\. " and the like: what is left must still name a component.
  if (trimmed.empty() || kept.empty() || kept == "." || kept == "..") return path;
  return trimmed;
}

bool removeFile(const std::string& path) { return DeleteFileW(widePath(path).c_str()) != 0; }

// "N": not inherited by children.
FILE* openForReading(const std::string& path, std::string& why) {
  FILE* stream = _wfopen(widePath(path).c_str(), L"rbN");
  if (!stream) why = strerror(errno);
  return stream;
}
