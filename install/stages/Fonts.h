#pragma once
// The fonts the suite needs, from the distribution's "fonts\" folder into the system's font folder, or,
// for a user without administrator rights, into that user's own fonts where Windows has them.
#include <windows.h>

#include <string>

#include "InstallContext.h"
#include "FileOps.h"

// Installs, in list order, every font of the list that the system font folder lacks: copies the file,
// registers it under the machine-wide fonts key, announces the change and logs
// "Шрифт <face> уcтановлен". Source is the distribution folder with a trailing backslash.
//
// Where the machine-wide key or folder refuses writes (no administrator rights: a standard user, or an
// administrator's filtered token under UAC), this and every later missing font goes to the current
// user's fonts (Windows 10 version 1809 and later: "%LOCALAPPDATA%\Microsoft\Windows\Fonts" and the
// user's fonts key, whose value holds the file's full path; a font already there counts as installed),
// logged as "Шрифт <face> уcтановлен для текущего пользователя"; on older systems one notice names the
// fonts left out and that administrator rights are needed. Any other failure of a font is a notice line
// with its cause, and the next font follows. Throws nothing of its own.
void InstallFonts(TInstallContext& Context, const std::wstring& Source);

// One font of the list (a bare file name) from SourceFolder into DestinationFolder (both ending with a
// backslash), registered machine-wide. A font already in DestinationFolder is left alone. The face name
// is taken from the source before the copy. Throws EProgramError when the source cannot be read, the
// copy fails or the fonts key cannot be written (the Win32 code with it): nothing is copied when the key
// cannot be opened for writing, and a copy whose registration fails is removed again. The change is announced to every top-level window, each given a second
// at most.
void InstallFont(TInstallContext& Context, const std::wstring& SourceFolder, const std::wstring& DestinationFolder,
                 const std::wstring& FileName);

// The fonts the system's font folder lacks, from the distribution's "fonts\" into that folder (a user
// without the rights gets them elsewhere on the same drive); each may be missing from the distribution.
void AddFontCopies(std::vector<TPlannedCopy>& Copies);
// What the fonts that the system font folder lacks weigh in bytes, in the distribution's "fonts\".
unsigned long long FontBytes(const std::wstring& Source);

// The face name of the font in the file (a full path): the system's answer where it gives one, else the
// full name from the font's own name table, else the file name without its extension.
std::wstring GetFontFaceName(const std::wstring& FontFile);

// Seams for what only a user without administrator rights sees, and for the Windows version a test
// process cannot change: the opening of the machine-wide fonts key for writing (RegOpenKeyExW's
// signature; a test refuses it with ERROR_ACCESS_DENIED as UAC does) and the Windows build number.
namespace FontSeams {
using OpenMachineKeyFn = LONG(WINAPI*)(HKEY Root, LPCWSTR SubKey, DWORD Options, REGSAM Access, PHKEY Key);
using WindowsBuildFn = DWORD (*)();
// Each setter installs a replacement (nullptr restores the system call) and returns the previous one.
OpenMachineKeyFn SetOpenMachineKey(OpenMachineKeyFn Fn);
WindowsBuildFn SetWindowsBuildQuery(WindowsBuildFn Fn);
}  // namespace FontSeams
