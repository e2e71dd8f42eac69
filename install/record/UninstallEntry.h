#pragma once
// The suite's entry in Programs and Features (Apps & features): the key
// Software\Microsoft\Windows\CurrentVersion\Uninstall\<name> in HKLM where this user may write there,
// otherwise in HKCU (never for the system account, whose HKCU no one sees). Windows lists both, and
// deployment tools read the same values.
#include <windows.h>

#include <string>

struct TUninstallEntry {
  std::wstring DisplayName, DisplayVersion, Publisher, InstallLocation, DisplayIcon, UninstallString,
      QuietUninstallString, InstallDate, URLInfoAbout;
  DWORD EstimatedSize = 0;  // KiB
  // Always written as 1: the setup program offers no change or repair of an installation.
  DWORD NoModify = 1, NoRepair = 1;
};

extern const wchar_t* const UninstallKeyPath;  // below the root, without the entry's own name

// Where an entry may go: HKLM, else HKCU; or only the one. A machine-wide entry starts the uninstaller
// with administrator rights, so only one kept where users cannot change it goes there.
enum TEntryRoots { erMachineOrUser, erMachineOnly, erUserOnly };

// Writes the entry under Name, in place of what an earlier installation wrote there (an empty text
// value is not written), and returns the root it went to. An entry of that name for the same folder in
// the other root is removed, so the list shows one. Throws EProgramError when no root it may go to takes
// it.
HKEY WriteUninstallEntry(const std::wstring& Name, const TUninstallEntry& Entry, TEntryRoots Roots = erMachineOrUser);

// The entry under Root; false when there is none.
bool ReadUninstallEntry(HKEY Root, const std::wstring& Name, TUninstallEntry& Entry);

// True when Root holds the entry Name and it belongs to Folder.
bool IsUninstallEntryOf(HKEY Root, const std::wstring& Name, const std::wstring& Folder);

// What removing the entries of a folder came to.
struct TEntryRemoval {
  int Removed = 0;         // entries of that folder removed
  int OtherFolder = 0;     // entries of the name that belong to another folder, left alone
  std::wstring Error;      // why one of the folder's entries could not be removed; empty when none
};
// Removes the entries under Name, in both roots, whose InstallLocation is Folder (full paths, letter case
// and a trailing backslash aside).
TEntryRemoval RemoveUninstallEntries(const std::wstring& Name, const std::wstring& Folder);

namespace UninstallEntrySeams {
// While true, HKLM refuses the entry as Windows does for a user without administrator rights (Wine runs
// every program as an administrator). Returns the previous setting.
bool SetMachineRefused(bool Refused);
}  // namespace UninstallEntrySeams
