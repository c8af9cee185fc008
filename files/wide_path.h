// Windows only: paths for the wide-character file calls. The programs keep
// their paths as UTF-8 (program_text.h), which holds every name exactly; the
// wide calls take paths past MAX_PATH once these carry the "\\?\" prefix.
#pragma once

#include <string>

// `path` in UTF-16. A path too long for the plain calls is made absolute
// and given the "\\?\" prefix ("\\?\UNC\" for a network path), which the
// system then takes literally: separators are backslashes and "." and ".."
// are already resolved, just as the plain calls would resolve them.
std::wstring widePath(const std::string& path);

// Any text (a command line, a message) in UTF-16, as it is.
std::wstring wideText(const std::string& text);

// A name the system returned, as UTF-8.
std::string narrowName(const wchar_t* name);

// The stamp (file_ops.h) of what `path` names, a link followed or not (the
// path and folder forms of file_ops.h and folder.h). False for a device
// name, which opening could reach and hang on.
struct FileStamp;
bool fileStampOfPath(const std::string& path, bool followLink, FileStamp& stamp);
