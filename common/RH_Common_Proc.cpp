#include "RH_Common_Proc.h"

namespace {

int SystemScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi;
}

BOOL SystemExitWindows(UINT Flags, DWORD Reason) { return ExitWindowsEx(Flags, Reason); }

UINT SystemWindowsDirectory(LPWSTR Buffer, UINT Size) { return GetWindowsDirectoryW(Buffer, Size); }

SystemQueries::ScreenDpiFn ScreenDpi = SystemScreenDpi;
SystemQueries::ExitWindowsFn ExitWindowsCall = SystemExitWindows;
SystemQueries::WindowsDirectoryFn WindowsDirectory = SystemWindowsDirectory;

template <typename Fn>
Fn Replace(Fn& Slot, Fn NewFn, Fn SystemFn) {
  Fn previous = Slot;
  Slot = NewFn ? NewFn : SystemFn;
  return previous;
}

bool IsNtPlatform() {
  // GetVersionEx is deprecated for version checks, but the platform id it gives is what is asked here.
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
  return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    // The outcome is not tested: a refused privilege shows in ExitWindowsEx's answer.
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &previousLength);
  }
  CloseHandle(token);
}

}  // namespace

bool IsSmallFonts() { return ScreenDpi() < 100; }

std::wstring LoadResString(HINSTANCE Module, int Id) {
  if (Id < 0) return std::wstring();
  wchar_t buffer[256] = {};
  // 255 offered: the system cuts a longer text to 254 characters and the terminating zero.
  LoadStringW(Module, static_cast<UINT>(Id), buffer, 255);
  return std::wstring(buffer);
}

std::wstring GetWindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = WindowsDirectory(buffer, MAX_PATH);
  // A result of the buffer's size or more is the size needed, and the buffer holds nothing usable.
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(buffer, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool RestartWindows(UINT Flags) {
  if (IsNtPlatform()) EnableShutdownPrivilege();
  return ExitWindowsCall(Flags, 0) != FALSE;
}

namespace SystemQueries {
ScreenDpiFn SetScreenDpiQuery(ScreenDpiFn Fn) { return Replace(ScreenDpi, Fn, &SystemScreenDpi); }
ExitWindowsFn SetExitWindows(ExitWindowsFn Fn) { return Replace(ExitWindowsCall, Fn, &SystemExitWindows); }
WindowsDirectoryFn SetWindowsDirectoryQuery(WindowsDirectoryFn Fn) {
  return Replace(WindowsDirectory, Fn, &SystemWindowsDirectory);
}
}  // namespace SystemQueries
