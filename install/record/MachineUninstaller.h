#pragma once
// The uninstaller of a machine-wide installation, kept out of the target. Its entry (HKLM) starts it
// with administrator rights, while under "C:\" every user may change what is in the target and rename
// the target folder itself: a copy there could be swapped for any program. So an installation with
// administrator rights keeps it, with the copy of the installation record it removes by, in a folder of
// the product's own under the 32-bit Program Files, which only administrators may change, and gives that
// folder and both files a protected security of their own. A per-user installation (HKCU) keeps its
// copy in the target.
#include <string>

// The setup program's copy, which the entry starts to uninstall: in the target, or machine-wide here.
extern const wchar_t* const SetupCopyName;  // "Uninstall.exe"

// The security of the folder and of both files: Administrators and SYSTEM have full control, Users may
// read and run; nothing is inherited from above (SDDL).
extern const wchar_t* const MachineUninstallerSecurity;
// The record's copy, in the folder.
extern const wchar_t* const MachineRecordName;  // "install-record.txt"

// <32-bit Program Files>\<EntryName>\; empty when the system does not name the Program Files folder.
std::wstring MachineUninstallerFolder(const std::wstring& EntryName);

// Makes Folder with that security (an existing one gets it again), then puts Program there as the setup
// copy and Record (the record's bytes as the installation saved them, not read back from the target,
// where a user may change them meanwhile) as the record's copy, each written beside its place, given the
// security and moved over the earlier one. Throws EProgramError when any of it cannot be done.
void PlaceMachineUninstaller(const std::wstring& Folder, const std::wstring& Program, const std::string& Record);

// The machine-wide uninstaller's folder of Target: the folder of EntryName when the entry in HKLM belongs
// to Target and starts the uninstaller there; empty otherwise.
std::wstring MachineUninstallerOf(const std::wstring& EntryName, const std::wstring& Target);

// Removes one file of the folder; the Win32 code of the failure, 0 when it is gone (or was not there).
unsigned long RemoveMachineUninstallerFile(const std::wstring& Path);
