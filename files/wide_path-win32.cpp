#include "wide_path.h"

#include <windows.h>

// Leaves room for a file name of 8.3 form, as CreateDirectory demands.
constexpr size_t kLongestPlainPath = MAX_PATH - 12;

std::wstring wideText(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

static std::wstring fullPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
  if (written == 0 || written >= length) return path;
  full.resize(written);
  return full;
}

std::wstring widePath(const std::string& path) {
  const std::wstring wide = wideText(path);
  if (wide.size() < kLongestPlainPath || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const std::wstring full = fullPath(wide);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string narrowName(const wchar_t* name) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string narrow(static_cast<size_t>(length - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, name, -1, &narrow[0], length, nullptr, nullptr);
  return narrow;
}
