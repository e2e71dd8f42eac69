#include "MachineUninstaller.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "Error.h"
#include "FileOps.h"
#include "Scoped.h"
#include "SystemLibraries.h"
#include "Text.h"
#include "UninstallEntry.h"

const wchar_t* const MachineUninstallerSecurity = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const wchar_t* const SetupCopyName = L"Uninstall.exe";
const wchar_t* const MachineRecordName = L"install-record.txt";

namespace {

class TSecurity {
 public:
  TSecurity() {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(MachineUninstallerSecurity, SDDL_REVISION_1, &FDescriptor,
                                                              nullptr))
      FDescriptor = nullptr;
  }
  ~TSecurity() {
    if (FDescriptor) LocalFree(FDescriptor);
  }
  TSecurity(const TSecurity&) = delete;
  TSecurity& operator=(const TSecurity&) = delete;
  PSECURITY_DESCRIPTOR Get() const { return FDescriptor; }
  PACL Dacl() const {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!FDescriptor || !GetSecurityDescriptorDacl(FDescriptor, &present, &dacl, &defaulted) || !present) return nullptr;
    return dacl;
  }
  PSID Owner() const {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!FDescriptor || !GetSecurityDescriptorOwner(FDescriptor, &owner, &defaulted)) return nullptr;
    return owner;
  }

 private:
  PSECURITY_DESCRIPTOR FDescriptor = nullptr;
};

// The protected security on Path, replacing what it had or inherited. The owner becomes Administrators
// where the token allows it; the DACL is what keeps users out.
void Protect(const TSecurity& Security, const std::wstring& Path) {
  PACL dacl = Security.Dacl();
  if (!dacl) ThrowFileError(L"Cannot set the security of", Path, GetLastError());
  SetNamedSecurityInfoW(const_cast<wchar_t*>(Path.c_str()), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, Security.Owner(),
                        nullptr, nullptr, nullptr);
  const DWORD result = SetNamedSecurityInfoW(const_cast<wchar_t*>(Path.c_str()), SE_FILE_OBJECT,
                                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, dacl, nullptr);
  if (result != ERROR_SUCCESS) ThrowFileError(L"Cannot set the security of", Path, result);
}

void WriteBytes(const std::wstring& Path, const std::string& Bytes) {
  TScopedFile file(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.Valid() ||
      (!Bytes.empty() && (!WriteFile(file.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr) ||
                          written != Bytes.size())) ||
      !FlushFileBuffers(file.Get()))
    ThrowFileError(L"Cannot create file", Path, GetLastError());
}

// Written beside its place (by Write), protected and moved over the earlier file: an uninstall started
// meanwhile never finds half a program, nor one that users could change for a moment.
template <typename TWrite>
void PlaceFile(const TSecurity& Security, const std::wstring& To, TWrite Write) {
  const std::wstring aside = To + L".tmp";
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  Write(aside);
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  try {
    Protect(Security, aside);
  } catch (...) {
    DeleteFileW(aside.c_str());
    throw;
  }
  if (!MoveFileExW(aside.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(aside.c_str());
    ThrowFileError(L"Cannot create file", To, code);
  }
}

}  // namespace

std::wstring MachineUninstallerFolder(const std::wstring& EntryName) {
  wchar_t folder[MAX_PATH] = {};
  // The 32-bit one: where this 32-bit program belongs on a 64-bit Windows too.
  if (EntryName.empty() ||
      FAILED(LateBound::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
      !folder[0])
    return std::wstring();
  std::wstring path = folder;
  if (path.back() != L'\\') path += L'\\';
  return path + EntryName + L"\\";
}

void PlaceMachineUninstaller(const std::wstring& Where, const std::wstring& Program, const std::string& Record) {
  const TSecurity security;
  if (!security.Get()) ThrowFileError(L"Cannot set the security of", Where, GetLastError());
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.Get(), FALSE};
  // Made with its security from the first moment; one made before gets it again.
  if (!CreateDirectoryW(Where.c_str(), &attributes)) {
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS) ThrowFileError(L"Cannot create folder", Where, code);
    const DWORD kind = GetFileAttributesW(Where.c_str());
    if (kind == INVALID_FILE_ATTRIBUTES || !(kind & FILE_ATTRIBUTE_DIRECTORY) || (kind & FILE_ATTRIBUTE_REPARSE_POINT))
      ThrowFileError(L"Cannot create folder", Where, ERROR_ALREADY_EXISTS);
  }
  Protect(security, Where);
  PlaceFile(security, Where + SetupCopyName, [&](const std::wstring& Aside) {
    if (!CopyFileW(Program.c_str(), Aside.c_str(), FALSE)) ThrowFileError(L"Cannot create file", Aside, GetLastError());
  });
  PlaceFile(security, Where + MachineRecordName, [&](const std::wstring& Aside) { WriteBytes(Aside, Record); });
}

std::wstring MachineUninstallerOf(const std::wstring& EntryName, const std::wstring& Target) {
  const std::wstring folder = MachineUninstallerFolder(EntryName);
  TUninstallEntry entry;
  if (folder.empty() || !IsUninstallEntryOf(HKEY_LOCAL_MACHINE, EntryName, Target) ||
      !ReadUninstallEntry(HKEY_LOCAL_MACHINE, EntryName, entry) ||
      !StartsWithIgnoringCase(entry.UninstallString, L"\"" + folder + SetupCopyName + L"\""))
    return std::wstring();
  return folder;
}

unsigned long RemoveMachineUninstallerFile(const std::wstring& Path) {
  SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(Path.c_str())) return 0;
  const DWORD code = GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? 0 : code;
}
