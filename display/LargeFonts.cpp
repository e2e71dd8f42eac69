#include "LargeFonts.h"

#include <windows.h>

#include <string>

#include "Paths.h"

namespace {

// The owned module, released on every way out.
struct TLibrary {
  HMODULE Module;
  ~TLibrary() {
    if (Module) FreeLibrary(Module);
  }
};

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
