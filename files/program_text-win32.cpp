#include "files/program_text.h"

#include <windows.h>
#include <shellapi.h>

static std::wstring wideFrom(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

static std::string narrowFrom(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], length, nullptr, nullptr);
  return narrow;
}

std::vector<std::string> programArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(narrowFrom(wide[i], CP_UTF8));
  LocalFree(wide);
  return arguments;
}

std::string consoleText(const std::string& text) { return narrowFrom(wideFrom(text, CP_UTF8), CP_ACP); }

std::string textFromCodePage(const std::string& bytes) { return narrowFrom(wideFrom(bytes, CP_ACP), CP_UTF8); }

bool survivesCodePage(const std::string& text) {
  const std::wstring wide = wideFrom(text, CP_UTF8);
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lossy);
  if (lossy || length <= 0) return false;
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &narrow[0], length,
                      nullptr, &lossy);
  return !lossy && wideFrom(narrow, CP_ACP) == wide;
}
