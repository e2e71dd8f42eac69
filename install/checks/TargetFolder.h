#pragma once
// The target folder as the operator gives it: in the wizard's folder box or on the command line. Both
// go through the same rules.
#include <string>

enum TTargetCheck {
  tcValid,  // Folder holds the name, trimmed, with a trailing backslash
  tcEmpty,  // nothing but blanks
  tcRoot,   // three characters or fewer with the backslash, or a volume's root however it is spelt
};

// True when Folder, made full and normalised, is the root of a drive, a share or a volume, whatever
// spelling leads there ("C:\..", "C:/", "\\?\C:\", "\\.\C:\", "\\server\share\.."), or when
// the existing folder is, by the path the file system gives for it, such a root (a link to one).
bool NamesAVolumeRoot(const std::wstring& Folder);

// Trims Typed, adds the trailing backslash and checks it. Folder gets the name with its backslash
// whenever it is not empty, also when the name is refused (the wizard shows it so).
TTargetCheck CheckTargetFolder(const std::wstring& Typed, std::wstring& Folder);

// Creates the folder and its "Settings\" sub-folder, one level each, where missing. A failure shows
// when the installation checks the folder again.
void PrepareTargetFolder(const std::wstring& Folder);

// The folder as a full path (a relative name counts from the current folder), with a trailing backslash.
std::wstring FullFolderPath(const std::wstring& Folder);
