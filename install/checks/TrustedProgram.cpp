#include "TrustedProgram.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "SeamSlot.h"
#include "SystemError.h"

namespace {

bool TokenIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const TScopedHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size))
    return elevation.TokenIsElevated != 0;
  // Before Vista there is no UAC: the token's membership in Administrators is the answer.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &administrators))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

AdministratorRightsSeams::RunsElevatedFn RunsElevatedCall = TokenIsElevated;

// Reads up to Size bytes; fewer only at the end of the file.
bool ReadUpTo(HANDLE File, char* Buffer, DWORD Size, DWORD& Got) {
  Got = 0;
  while (Got < Size) {
    DWORD piece = 0;
    if (!ReadFile(File, Buffer + Got, Size - Got, &piece, nullptr)) return false;
    if (piece == 0) break;
    Got += piece;
  }
  return true;
}

}  // namespace

bool RunsWithAdministratorRights() { return RunsElevatedCall(); }

namespace AdministratorRightsSeams {
RunsElevatedFn SetRunsElevated(RunsElevatedFn Fn) { return ReplaceSeam(RunsElevatedCall, Fn, &TokenIsElevated); }
}  // namespace AdministratorRightsSeams

TTrustedProgram::TTrustedProgram(const std::wstring& Path, const std::wstring& Original)
    : FFile(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr)) {
  if (!FFile.Valid()) {
    FRefusal = L"его не удалось проверить: " + SystemErrorText(GetLastError());
    return;
  }
  const TScopedFile original(CreateFileW(Original.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!original.Valid()) {
    FRefusal = L"в дистрибутиве нет такого файла (\"" + Original + L"\")";
    return;
  }
  const std::wstring differs = L"он не совпадает с файлом дистрибутива \"" + Original + L"\"";
  LARGE_INTEGER size{}, originalSize{};
  if (!GetFileSizeEx(FFile.Get(), &size) || !GetFileSizeEx(original.Get(), &originalSize) ||
      size.QuadPart != originalSize.QuadPart) {
    FRefusal = differs;
    return;
  }
  std::vector<char> mine(65536), theirs(65536);
  for (;;) {
    DWORD got = 0, originalGot = 0;
    if (!ReadUpTo(FFile.Get(), mine.data(), static_cast<DWORD>(mine.size()), got) ||
        !ReadUpTo(original.Get(), theirs.data(), static_cast<DWORD>(theirs.size()), originalGot)) {
      FRefusal = L"его не удалось проверить: " + SystemErrorText(GetLastError());
      return;
    }
    if (got != originalGot || !std::equal(mine.begin(), mine.begin() + got, theirs.begin())) {
      FRefusal = differs;
      return;
    }
    if (got == 0) return;
  }
}
