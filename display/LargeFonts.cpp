#include "LargeFonts.h"

#include <windows.h>

#include <string>

namespace {

// The owned module, released on every way out.
struct TLibrary {
  HMODULE Module;
  ~TLibrary() {
    if (Module) FreeLibrary(Module);
  }
};

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(folder, length);
}

}  // namespace

bool SwitchToLargeFonts() {
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return false;
  // A full path: a "syssetup.dll" planted in a download folder must never be the one called.
  const TLibrary library{LoadLibraryExW((folder + L"\\syssetup.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)};
  if (!library.Module) return false;
  using SetupChangeFontSizeFn = BOOL(WINAPI*)(HWND, LPCWSTR);
  const auto change = reinterpret_cast<SetupChangeFontSizeFn>(
      reinterpret_cast<void*>(GetProcAddress(library.Module, "SetupChangeFontSize")));
  if (!change) return false;
  return change(nullptr, L"120") != FALSE;
}
