#include "SystemAccount.h"

#include <windows.h>

#include <vector>

#include "Scoped.h"
#include "SeamSlot.h"

namespace {

bool TokenIsLocalSystem() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const TScopedHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return false;
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  return IsWellKnownSid(user->User.Sid, WinLocalSystemSid) != FALSE;
}

SystemAccountSeams::RunsAsLocalSystemFn RunsAsLocalSystemCall = TokenIsLocalSystem;

}  // namespace

bool RunsAsLocalSystem() { return RunsAsLocalSystemCall(); }

namespace SystemAccountSeams {
RunsAsLocalSystemFn SetRunsAsLocalSystem(RunsAsLocalSystemFn Fn) {
  return ReplaceSeam(RunsAsLocalSystemCall, Fn, &TokenIsLocalSystem);
}
}  // namespace SystemAccountSeams
