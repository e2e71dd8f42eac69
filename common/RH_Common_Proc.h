#pragma once
#include <windows.h>
#include <string>

// Small wrappers of one system service each, shared by the suite's programs. They report through their
// result and show nothing.

// True when the screen's horizontal logical resolution is below 100 dots per inch.
bool IsSmallFonts();
// The string-table text with that id from the module, at most 254 characters; empty when there is none
// or the id is negative.
std::wstring LoadResString(HINSTANCE Module, int Id);
// The Windows folder with a trailing backslash; empty when the system does not give it.
std::wstring GetWindowsFolder();
// Asks Windows to shut down with ExitWindowsEx flags, enabling the shutdown privilege first.
bool RestartWindows(UINT Flags);

// Seams for what a test cannot set per case: the screen's logical DPI and the shutdown request itself.
namespace SystemQueries {
using ScreenDpiFn = int (*)();
using ExitWindowsFn = BOOL (*)(UINT Flags, DWORD Reason);
using WindowsDirectoryFn = UINT (*)(LPWSTR Buffer, UINT Size);
// Each setter installs a replacement (nullptr restores the system call) and returns the previous one.
ScreenDpiFn SetScreenDpiQuery(ScreenDpiFn Fn);
ExitWindowsFn SetExitWindows(ExitWindowsFn Fn);
WindowsDirectoryFn SetWindowsDirectoryQuery(WindowsDirectoryFn Fn);
}  // namespace SystemQueries
