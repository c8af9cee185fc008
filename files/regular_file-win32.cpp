#include <windows.h>
#include <io.h>

#include "regular_file.h"
#include "wide_path.h"

InputOpenResult openRegularFile(const std::string& path, FILE*& stream, uint64_t& size) {
  // The C runtime cannot open a directory at all; it is named as what it is.
  const std::wstring wide = widePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return InputOpenResult::NotRegularFile;
  }
  // "N": not inherited. A child started meanwhile on another thread would
  // otherwise hold the file open, and the driver could not delete it after.
  FILE* opened = _wfopen(wide.c_str(), L"rbN");
  if (!opened) return InputOpenResult::CannotOpen;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(opened)));
  LARGE_INTEGER length;
  // Devices such as NUL or CON are not disk files.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    fclose(opened);
    return InputOpenResult::NotRegularFile;
  }
  if (!GetFileSizeEx(handle, &length)) {
    fclose(opened);
    return InputOpenResult::CannotOpen;
  }
  stream = opened;
  size = static_cast<uint64_t>(length.QuadPart);
  return InputOpenResult::Opened;
}
