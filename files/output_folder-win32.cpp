#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "files/output_folder.h"
#include "files/file_faults.h"
#include "files/wide_path.h"

void splitOutputPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t end = path.find_last_of("/\\");
  if (end == std::string::npos) {
    // "C:rock0.tga": in the current directory of drive C.
    const size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    folder = path.substr(0, drive);
    name = path.substr(drive);
    return;
  }
  // A root ("\", "C:\") keeps its separator; other folders lose it.
  const bool root = end == 0 || path[end - 1] == ':';
  folder = path.substr(0, root ? end + 1 : end);
  name = path.substr(end + 1);
}

// The folder joined to a name as the system would read the original path.
static std::string in(const Folder& folder, const std::string& name) {
  if (folder.path.empty()) return name;
  const char last = folder.path.back();
  return folder.path + (last == ':' || last == '\\' || last == '/' ? "" : "\\") + name;
}

bool openOutputFolder(const std::string& path, Folder& folder) {
  const std::string opened = path.empty() ? "." : path;
  const HANDLE handle = CreateFileW(widePath(opened).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  folder = Folder{path, reinterpret_cast<intptr_t>(handle)};
  if (handle != INVALID_HANDLE_VALUE) return true;
  folder.handle = -1;
  return false;
}

void closeOutputFolder(Folder& folder) {
  if (folder.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(folder.handle));
  folder.handle = -1;
}

CreateResult createNewFileAt(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream) {
  return createNewFile(in(folder, name), mode, stream);
}

bool renameReplacingAt(const Folder& folder, const std::string& from, const std::string& to) {
  return renameReplacing(in(folder, from), in(folder, to));
}

bool removeFileAt(const Folder& folder, const std::string& name) { return removeFile(in(folder, name)); }

bool isDirectoryAt(const Folder& folder, const std::string& name) { return isDirectoryEntry(in(folder, name)); }

static bool markForDeletion(HANDLE file, bool deleteOnClose) {
  FILE_DISPOSITION_INFO disposition;
  disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Named, but marked for deletion: the system removes it when its handle
// closes, however the process ends (Ctrl-C, Ctrl-Break, a kill).
CreateResult createVanishingFileAt(const Folder& folder, const std::string& temporaryName, FILE*& stream) {
  if (vanishingFileFaultPlanted()) return CreateResult::Unsupported;
  const std::wstring path = widePath(in(folder, temporaryName));
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_EXISTS ? CreateResult::NameTaken : CreateResult::Unsupported;
  if (!markForDeletion(file, true)) {
    CloseHandle(file);
    DeleteFileW(path.c_str());
    return CreateResult::Unsupported;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  stream = fd < 0 || fdopenFaultPlanted() ? nullptr : _fdopen(fd, "wb");
  if (stream) return CreateResult::Created;
  if (fd >= 0) _close(fd);
  else CloseHandle(file);
  return CreateResult::Failed;
}

bool keepVanishingFileAt(const Folder& folder, FILE*& stream, const std::string& temporaryName,
                         const std::string& finalName) {
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  const bool kept = fflush(stream) == 0 && markForDeletion(file, false);
  const bool closed = fclose(stream) == 0;
  stream = nullptr;
  if (kept && closed && renameReplacingAt(folder, temporaryName, finalName)) return true;
  if (kept) removeFileAt(folder, temporaryName);
  return false;
}

void dropVanishingFile(FILE*& stream) {
  if (stream) fclose(stream);
  stream = nullptr;
}
