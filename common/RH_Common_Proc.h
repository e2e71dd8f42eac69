#pragma once
#include <windows.h>
#include <string>

// Small wrappers of one system service each, shared by the suite's programs. They report through their
// result and show nothing.

// True when the screen's horizontal logical resolution is below 100 dots per inch.
bool IsSmallFonts();
// The screen's horizontal logical resolution (96 with small fonts, 120 with large ones).
int ScreenLogPixels();
// The string-table text with that id from the module, at most 254 characters; empty when there is none
// or the id is negative.
std::wstring LoadResString(HINSTANCE Module, int Id);
// The Windows folder with a trailing backslash; empty when the system does not give it.
std::wstring GetWindowsFolder();
// Asks Windows to shut down with ExitWindowsEx flags, enabling the shutdown privilege first.
bool RestartWindows(UINT Flags);

// Reads ProgramPath + "Settings\rarovu.ini", section "options", into Settings. First fixes the
// process-wide number format to "." and " " for the rest of the run. A missing folder, file, key or an
// unreadable value gives the field its default; nothing is reported.
void ReadSettings();

// Texts of this unit, localised with the vocabulary.
extern std::wstring Text_Sbo;  // "СБОЙ"
extern std::wstring Text_Met;  // "МЕТКА"
extern std::wstring Text_nnn;  // "н"
extern std::wstring Text_sss;  // "с"

// Overwrites the localised vocabulary rows and the four texts above with the texts of LanguageFile;
// a missing file, section or key leaves the Russian text.
void LocaliseTables();

// The initialisation of this unit: the localisation. It follows that of RH_Common_Var.
void InitialiseCommonProc();

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
