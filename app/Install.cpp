// The program block of the setup program.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "CommandLine.h"
#include "FileOps.h"
#include "InstallLog.h"
#include "Main.h"
#include "Paths.h"
#include "RH_Common_Init.h"
#include "RH_Common_Proc.h"
#include "UnattendedInstall.h"
#include "UninstallProgram.h"
#include "ResourceIds.h"
#include "SystemLibraries.h"
#include "Toolkit.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// An exception nobody catches ends the program. The standard library's default handler would first print
// the exception's demangled type name to a console this program does not have, and its demangler alone
// weighs some 50 KB of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

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
  const std::wstring folder = ProgramFolder();
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

// True when the command line asks for no window at all, read loosely: a command line that could not be
// parsed must still not show a box to a deployment tool that asked for none.
bool AsksForNoWindow(const std::wstring& CommandLine) {
  std::wstring upper = CommandLine;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  return upper.find(L"VERYSILENT") != std::wstring::npos;
}

// Only one setup program at a time in the session, whatever distribution it runs from: two would write
// the same target at once.
class TSingleInstance {
 public:
  TSingleInstance() {
    const std::wstring name =
        L"Local\\SetupProgram." + LoadResString(GetModuleHandleW(nullptr), IDS_APP_FOLDER) + L".Running";
    FMutex = CreateMutexW(nullptr, FALSE, name.c_str());
    FFirst = FMutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  }
  ~TSingleInstance() {
    if (FMutex) CloseHandle(FMutex);
  }
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;
  bool First() const { return FFirst; }
  // Lets another setup program start: the one this program starts again with administrator rights.
  void Leave() {
    if (FMutex) CloseHandle(FMutex);
    FMutex = nullptr;
  }

 private:
  HANDLE FMutex = nullptr;
  bool FFirst = false;
};

// The window's thread in OLE's apartment for the whole run: the task-bar button's progress and the folder
// browser are COM objects of this thread, and no library the program loads is relied on to have done it.
// A run without any window needs neither; its stages enter an apartment of their own where they use COM.
class TOleOnWindowThread {
 public:
  explicit TOleOnWindowThread(bool Wanted) {
    if (!Wanted) return;
    try {
      FResult = LateBound::OleInitialize(nullptr);
    } catch (...) {
      // Without OLE the task-bar button shows nothing; the installation does not depend on it.
      FResult = E_FAIL;
    }
  }
  ~TOleOnWindowThread() {
    if (SUCCEEDED(FResult)) LateBound::OleUninitialize();
  }
  TOleOnWindowThread(const TOleOnWindowThread&) = delete;
  TOleOnWindowThread& operator=(const TOleOnWindowThread&) = delete;

 private:
  HRESULT FResult = E_FAIL;
};

void BringRunningSetupToFront() {
  HWND running = FindWindowW(L"TFMain", nullptr);
  if (!running) return;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, LPWSTR, int) {
  RestrictDllSearch();
  // The shared library's units start before anything of this program.
  InitialiseCommonUnits();

  EnterProgramFolder();
  Application.Initialize();
  const std::wstring title = L"Установка комплекса \"Ритмон-Vidoze\"";
  Application.SetTitle(title);
  Application.SetIcon(LoadIconW(Instance, MAKEINTRESOURCEW(IDI_INSTALL)));

  const std::wstring commandLine = GetCommandLineW();
  TInstallOptions options;
  std::wstring error;
  if (!ParseInstallOptions(ArgumentsOf(commandLine), options, error)) {
    if (!AsksForNoWindow(commandLine))
      MessageBoxW(nullptr, (error + L"\n\n" + InstallHelpText()).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    return ecBadCommandLine;
  }
  if (options.Help) {
    MessageBoxW(nullptr, InstallHelpText().c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
    return ecInstalled;
  }
  if (RunsAsSetupCopy() && !options.Verify) options.Uninstall = true;
  if (options.Verify) return VerifyInstalled(options);
  TSingleInstance instance;
  // The uninstall's temporary copy runs for the program that holds the lock and waits for it.
  if (!instance.First() && !options.HandOver) {
    BringRunningSetupToFront();
    return ecBadCommandLine;
  }

  // Before the first window, and left after the last one is gone.
  const TOleOnWindowThread ole(options.Mode != TInstallOptions::imVerySilent);
  if (options.Uninstall) return UninstallProgram(options, [&instance] { instance.Leave(); });
  int exitCode = ecBadCommandLine;
  try {
    if (options.Mode == TInstallOptions::imVerySilent) return InstallWithoutWindow(options);
    FMain = new TFMain();
    if (options.Mode == TInstallOptions::imSilent) {
      exitCode = InstallWithProgressPage(options);
    } else {
      Application.Run();
      exitCode = FMain->ExitCode();
    }
  } catch (...) {
    // Nothing may be shown when no window was asked for.
    if (options.Mode == TInstallOptions::imVerySilent)
      exitCode = ecInstallFailed;
    else
      Application.HandleException();
  }
  delete FMain;
  FMain = nullptr;
  return exitCode;
}
