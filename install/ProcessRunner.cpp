#include "ProcessRunner.h"

#include <vector>

#include "Error.h"
#include "Scoped.h"

namespace {

struct TStartedProcess {
  TScopedHandle Process;
  TScopedHandle Thread;
};

// Application may be null: the command line's first token names the program then. CreateProcessW may
// write into the command line, so it gets a copy of its own, as long as the text needs.
bool StartProcess(const wchar_t* Application, const std::wstring& CmdLine, const wchar_t* Folder, WORD Show,
                  TStartedProcess& Started) {
  std::vector<wchar_t> commandLine(CmdLine.begin(), CmdLine.end());
  commandLine.push_back(L'\0');
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = Show;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(Application, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, Folder, &startup, &created)) {
    return false;
  }
  Started.Process.Reset(created.hProcess);
  Started.Thread.Reset(created.hThread);
  return true;
}

DWORD ExitCode(HANDLE Process) {
  DWORD code = static_cast<DWORD>(-1);
  if (!GetExitCodeProcess(Process, &code)) return static_cast<DWORD>(-1);
  return code;
}

// The folder part without its trailing backslash, except for a drive's root, where "C:" alone would mean
// the drive's current folder.
std::wstring FolderOf(const std::wstring& FileName) {
  const size_t slash = FileName.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::wstring();
  std::wstring folder = FileName.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

bool IsCommandScript(const std::wstring& FileName) {
  const size_t dot = FileName.find_last_of(L'.');
  if (dot == std::wstring::npos || FileName.find_first_of(L"\\/", dot) != std::wstring::npos) return false;
  const std::wstring extension = FileName.substr(dot);
  return lstrcmpiW(extension.c_str(), L".cmd") == 0 || lstrcmpiW(extension.c_str(), L".bat") == 0;
}

std::wstring SystemCommandInterpreter() {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder + L"\\cmd.exe";
}

[[noreturn]] void CannotStart(const std::wstring& FileName) {
  throw EProgramError(L"не смог создать процесс: " + FileName, GetLastError());
}

}  // namespace

DWORD WaitForProcess(HANDLE Process, TMessagePump* Pump) {
  if (!Pump) return WaitForSingleObject(Process, INFINITE);
  const TWaitingForProgram waiting(Pump);
  for (;;) {
    // The wait below wakes only for messages that come after it began: what is already queued is
    // served first.
    Pump->ProcessMessages();
    const DWORD woken = MsgWaitForMultipleObjects(1, &Process, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) return woken == WAIT_OBJECT_0 ? WAIT_OBJECT_0 : WAIT_FAILED;
  }
}

DWORD ExecProcess(const std::wstring& CmdLine, WORD ShowWindow, bool Wait, TMessagePump* Pump) {
  TStartedProcess started;
  if (!StartProcess(nullptr, CmdLine, nullptr, ShowWindow, started)) return static_cast<DWORD>(-1);
  if (!Wait) return 0;
  WaitForProcess(started.Process.Get(), Pump);
  return ExitCode(started.Process.Get());
}

DWORD ExecAndWait(const std::wstring& FileName, const std::wstring& Params, WORD ShowCmd, TMessagePump* Pump) {
  const std::wstring program = L"\"" + FileName + L"\" " + Params;
  const std::wstring folder = FolderOf(FileName);
  const wchar_t* currentFolder = folder.empty() ? nullptr : folder.c_str();
  TStartedProcess started;
  bool created;
  if (IsCommandScript(FileName)) {
    // cmd.exe itself would start and only then miss the script: a missing script is a failure to start,
    // as it is for a program.
    if (GetFileAttributesW(FileName.c_str()) == INVALID_FILE_ATTRIBUTES) CannotStart(FileName);
    // A script is no image CreateProcessW can load. cmd /c drops the first and the last quote of what
    // follows it, so the whole line is quoted once more around the quoted script path.
    const std::wstring interpreter = SystemCommandInterpreter();
    created = StartProcess(interpreter.c_str(), L"\"" + interpreter + L"\" /c \"" + program + L"\"", currentFolder,
                           ShowCmd, started);
  } else {
    created = StartProcess(nullptr, program, currentFolder, ShowCmd, started);
  }
  if (!created) CannotStart(FileName);
  WaitForProcess(started.Process.Get(), Pump);
  return ExitCode(started.Process.Get());
}
