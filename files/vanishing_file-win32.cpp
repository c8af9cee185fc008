#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "files/vanishing_file.h"

#include "files/file_faults.h"
#include "files/paths.h"
#include "files/wide_path.h"

static bool markForDeletion(HANDLE file, bool deleteOnClose) {
  FILE_DISPOSITION_INFO disposition;
  disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Named, but marked for deletion: the system removes it when its handle
// closes, however the process ends (Ctrl-C, Ctrl-Break, a kill).
CreateResult createVanishingFileIn(const Folder& folder, const std::string& temporaryName, FILE*& stream) {
  if (vanishingFileFaultPlanted()) return CreateResult::Unsupported;
  const std::wstring path = widePath(pathIn(folder.path, temporaryName));
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

bool keepVanishingFileIn(const Folder& folder, FILE*& stream, const std::string& temporaryName,
                         const std::string& finalName) {
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  const bool kept = fflush(stream) == 0 && markForDeletion(file, false);
  const bool closed = fclose(stream) == 0;
  stream = nullptr;
  if (kept && closed && renameReplacingIn(folder, temporaryName, folder, finalName)) return true;
  if (kept) removeFileIn(folder, temporaryName);
  return false;
}

void dropVanishingFile(FILE*& stream) {
  if (stream) fclose(stream);
  stream = nullptr;
}
