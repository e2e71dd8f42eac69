#pragma once
// The fonts the suite needs, from the distribution's "fonts\" folder into the system's font folder.
#include <string>

#include "InstallContext.h"

// Installs, in list order, every font of the list that the system font folder lacks: copies the file,
// registers it under the machine-wide fonts key, announces the change and logs
// "Шрифт <face> уcтановлен". Source is the distribution folder with a trailing backslash. Errors are not
// caught: the first one ends the step (the sequence discards it).
void InstallFonts(TInstallContext& Context, const std::wstring& Source);

// One font of the list (a bare file name) from SourceFolder into DestinationFolder (both ending with a
// backslash). A font already in DestinationFolder is left alone. The face name is taken from the source
// before the copy. Throws EProgramError when the copy fails or the fonts key cannot be written (the
// Win32 code with it). The change is announced to every top-level window, each given a second at most.
void InstallFont(TInstallContext& Context, const std::wstring& SourceFolder, const std::wstring& DestinationFolder,
                 const std::wstring& FileName);

// What the fonts that the system font folder lacks weigh in bytes, in the distribution's "fonts\".
unsigned long long FontBytes(const std::wstring& Source);

// The face name of the font in the file (a full path): the system's answer where it gives one, else the
// full name from the font's own name table, else the file name without its extension.
std::wstring GetFontFaceName(const std::wstring& FontFile);
