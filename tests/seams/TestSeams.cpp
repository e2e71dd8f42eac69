// The seams of the test builds: the end-to-end tests order a power cut, a slow medium, a drive filled
// after the room check, or high contrast through the environment of the program they start. The shipped
// program links app/NoTestSeams.cpp instead, so it carries neither these names nor what they do.
#include <windows.h>

#include <cwchar>
#include <string>

#include "DiskSpace.h"
#include "Graphics.h"
#include "PowerCut.h"
#include "ProcessRunner.h"
#include "SlowMedium.h"
#include "SystemLibraries.h"
#include "TrustedProgram.h"

namespace {

std::wstring Variable(const wchar_t* Name) {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(Name, value, static_cast<DWORD>(sizeof(value) / sizeof(value[0])));
  if (length == 0 || length >= sizeof(value) / sizeof(value[0])) return std::wstring();
  return std::wstring(value, length);
}

struct TPowerCut {
  unsigned long long KillAt = 0;  // 0: never
  std::wstring ListFile;
  unsigned long long Passed = 0;
};

// Read once: the environment is the test's order for the whole run.
TPowerCut& PowerCutState() {
  static TPowerCut state = [] {
    TPowerCut read;
    const std::wstring killAt = Variable(L"INSTALL_TEST_POWER_CUT");
    if (!killAt.empty()) read.KillAt = std::wcstoull(killAt.c_str(), nullptr, 10);
    read.ListFile = Variable(L"INSTALL_TEST_POWER_CUT_LIST");
    return read;
  }();
  return state;
}

void AppendToList(const std::wstring& ListFile, const char* Where) {
  const HANDLE file = CreateFileW(ListFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = std::string(Where) + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

void PowerCutPoint(const char* Where) {
  TPowerCut& state = PowerCutState();
  if (state.KillAt == 0 && state.ListFile.empty()) return;
  ++state.Passed;
  if (!state.ListFile.empty()) AppendToList(state.ListFile, Where);
  if (state.Passed == state.KillAt) TerminateProcess(GetCurrentProcess(), PowerCutExitCode);
}

unsigned long SlowMediumDelayMs() {
  static const unsigned long delay = std::wcstoul(Variable(L"INSTALL_TEST_SLOW_COPY_MS").c_str(), nullptr, 10);
  return delay;
}

bool SpaceCheckWanted() { return Variable(L"INSTALL_TEST_NO_SPACE_CHECK") != L"1"; }

bool HighContrastForced() { return Variable(L"INSTALL_TEST_HIGH_CONTRAST") == L"1"; }

namespace {

// Wine's token is always a full administrator's and its shell never asks: INSTALL_TEST_NOT_ELEVATED=1
// makes this program a user's without the rights, and INSTALL_TEST_CONSENT the answer to the consent
// prompt its "runas" would raise ("refused", or "given": the program started through it has the rights).
BOOL WINAPI ShellAsAnsweredByTheTest(SHELLEXECUTEINFOW* Execute) {
  if (Execute->lpVerb && std::wstring(Execute->lpVerb) == L"runas") {
    if (Variable(L"INSTALL_TEST_CONSENT") != L"given") {
      SetLastError(ERROR_CANCELLED);
      return FALSE;
    }
    // Consent given: Wine's shell has no prompt to pass, so the program is started as by "open".
    SetEnvironmentVariableW(L"INSTALL_TEST_NOT_ELEVATED", nullptr);
    SHELLEXECUTEINFOW open = *Execute;
    open.lpVerb = nullptr;
    const BOOL started = LateBound::ShellExecuteExW(&open);
    Execute->hProcess = open.hProcess;
    Execute->hInstApp = open.hInstApp;
    return started;
  }
  return LateBound::ShellExecuteExW(Execute);
}

[[maybe_unused]] const bool WithoutAdministratorRights = [] {
  if (Variable(L"INSTALL_TEST_NOT_ELEVATED") != L"1") return false;
  AdministratorRightsSeams::SetRunsElevated([] { return false; });
  ProcessSeams::SetShellExecute(ShellAsAnsweredByTheTest);
  return true;
}();

}  // namespace
