// The program block of the setup program.
#include <windows.h>

#include <string>

#include "Main.h"
#include "RH_Common_Init.h"
#include "ResourceIds.h"
#include "Toolkit.h"
#include "WaitRun.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// A DLL planted beside Install.exe (a download folder) or in the current folder must never be loaded:
// DLLs loaded by name come from the system folder only. SetDefaultDllDirectories is there from
// Windows 8 and on Vista/7 with KB2533623; otherwise at least the current folder leaves the search.
void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                       GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                 : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
}

// The program's own folder becomes the current directory, so relative names typed by the operator
// resolve against the distribution, also when the program was started from elsewhere.
void EnterProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  if (length == 0 || length >= std::size(path)) return;
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  SetCurrentDirectoryW(folder.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, LPWSTR, int) {
  RestrictDllSearch();
  // The shared library's units start before anything of this program.
  InitialiseCommonUnits();

  EnterProgramFolder();
  Application.Initialize();
  Application.SetTitle(L"Установка комплекса \"Ритмон-Vidoze\"");
  Application.SetIcon(LoadIconW(Instance, MAKEINTRESOURCEW(IDI_INSTALL)));
  try {
    FMain = new TFMain();
    CreateWaitRunWindow();  // hidden; the suite's other programs show it
    Application.Run();
  } catch (...) {
    Application.HandleException();
  }
  delete FWaitRun;
  FWaitRun = nullptr;
  delete FMain;
  FMain = nullptr;
  return 0;
}
