#pragma once
// A file's or folder's security as the system gives it back (GetNamedSecurityInfoW), judged for what an
// ordinary user may do: the well-known groups every signed-in user is in, never an administrator.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

struct TSecurityReadBack {
  bool Read = false;
  bool Protected = false;  // nothing inherited from above
  std::wstring Owner;      // as an SDDL SID string ("S-1-5-32-544")
  // Each allowing entry that gives an ordinary user a right to change, delete, add or append: "<SID> <mask>".
  std::vector<std::wstring> UserWrites;
  ACCESS_MASK Administrators = 0, System = 0, Users = 0;  // what each is allowed, on the object itself
};

inline std::wstring SidText(PSID Sid) {
  wchar_t* text = nullptr;
  if (!Sid || !ConvertSidToStringSidW(Sid, &text)) return std::wstring();
  std::wstring result = text;
  LocalFree(text);
  return result;
}

// Everyone, CREATOR OWNER, Interactive, Authenticated Users, Users.
inline bool IsOrdinaryUserSid(const std::wstring& Sid) {
  for (const wchar_t* user : {L"S-1-1-0", L"S-1-3-0", L"S-1-5-4", L"S-1-5-11", L"S-1-5-32-545"})
    if (Sid == user) return true;
  return false;
}

// Judges a security descriptor as ReadSecurity does.
inline TSecurityReadBack JudgeSecurity(PSECURITY_DESCRIPTOR Descriptor) {
  constexpr ACCESS_MASK changes = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                  FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                  GENERIC_ALL;
  TSecurityReadBack result;
  if (!Descriptor) return result;
  result.Read = true;
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  if (GetSecurityDescriptorOwner(Descriptor, &owner, &defaulted)) result.Owner = SidText(owner);
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(Descriptor, &present, &dacl, &defaulted) || !present) dacl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(Descriptor, &control, &revision)) result.Protected = (control & SE_DACL_PROTECTED) != 0;
  if (IsOrdinaryUserSid(result.Owner)) result.UserWrites.push_back(L"owner " + result.Owner);
  if (!dacl) {
    // No DACL at all: everyone may do everything.
    result.UserWrites.push_back(L"no DACL");
    return result;
  }
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) || header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    const auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    const std::wstring sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    if (sid == L"S-1-5-32-544") result.Administrators |= ace->Mask;
    if (sid == L"S-1-5-18") result.System |= ace->Mask;
    if (sid == L"S-1-5-32-545") result.Users |= ace->Mask;
    if (IsOrdinaryUserSid(sid) && (ace->Mask & changes)) {
      wchar_t mask[16];
      wsprintfW(mask, L"%08lx", static_cast<unsigned long>(ace->Mask));
      result.UserWrites.push_back(sid + L" " + mask);
    }
  }
  return result;
}

// The security of a file or folder as the system gives it back.
inline TSecurityReadBack ReadSecurity(const std::wstring& Path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(const_cast<wchar_t*>(Path.c_str()), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return TSecurityReadBack();
  const TSecurityReadBack result = JudgeSecurity(descriptor);
  LocalFree(descriptor);
  return result;
}

// Whether the file system keeps the security a program sets: Windows does; a Wine built without
// extended-attribute support (Debian's wineserver) forgets it and gives back one made from the Unix mode
// bits. Tried on a file made in Where for the purpose.
inline bool SecurityIsKept(const std::wstring& Where) {
  const std::wstring probe = Where + L"security probe.tmp";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool kept = false;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    kept = SetNamedSecurityInfoW(const_cast<wchar_t*>(probe.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                                 nullptr) == ERROR_SUCCESS &&
           ReadSecurity(probe).Protected;
    LocalFree(descriptor);
  }
  DeleteFileW(probe.c_str());
  return kept;
}
