#include "ProcessRunner.h"
#include "SystemLibraries.h"

#include <vector>

#include "Error.h"
#include "Paths.h"
#include "Scoped.h"
#include "SeamSlot.h"

namespace {

// CreateProcessW's answer for a program that needs administrator rights; MinGW's headers lack the name.
constexpr DWORD ErrorElevationRequired = 740;

// What UAC's policy says for a prompt (HKLM ...\Policies\System, in the system's own view, not the one
// a 32-bit program is redirected to); Fallback where it is not set.
DWORD PromptPolicy(const wchar_t* Name, DWORD Fallback) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return Fallback;
  DWORD value = 0, size = sizeof(value), type = 0;
  const LONG read = RegQueryValueExW(key, Name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) ? value : Fallback;
}

bool TokenMakesTheShellAsk() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  const TScopedHandle owned(token);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size)) return true;
  // Already elevated: nothing is left to ask for.
  if (type == TokenElevationTypeFull) return false;
  // An administrator held back by UAC: 0 elevates without prompting (Windows' default is 5).
  if (type == TokenElevationTypeLimited) return PromptPolicy(L"ConsentPromptBehaviorAdmin", 5) != 0;
  // A standard user: 0 refuses at once, with no prompt (the client default is 3, asking for credentials).
  return PromptPolicy(L"ConsentPromptBehaviorUser", 3) != 0;
}

ProcessSeams::ShellAsksFn ShellAsksCall = TokenMakesTheShellAsk;

ProcessSeams::CreateProcessFn CreateProcessCall = CreateProcessW;
ProcessSeams::ShellExecuteFn ShellExecuteCall = LateBound::ShellExecuteExW;

struct TStartedProcess {
  TScopedHandle Process;
  TScopedHandle Thread;  // none when the shell started it
};

// The program and its parameters as the shell wants them apart: the first token of the command line
// (quoted or up to the first blank) and the rest.
void SplitCommandLine(const std::wstring& CmdLine, std::wstring& Program, std::wstring& Parameters) {
  size_t at = CmdLine.find_first_not_of(L" \t");
  if (at == std::wstring::npos) at = CmdLine.size();
  size_t end;
  if (at < CmdLine.size() && CmdLine[at] == L'"') {
    end = CmdLine.find(L'"', at + 1);
    Program = CmdLine.substr(at + 1, end == std::wstring::npos ? std::wstring::npos : end - at - 1);
    end = end == std::wstring::npos ? CmdLine.size() : end + 1;
  } else {
    end = CmdLine.find_first_of(L" \t", at);
    if (end == std::wstring::npos) end = CmdLine.size();
    Program = CmdLine.substr(at, end - at);
  }
  const size_t rest = CmdLine.find_first_not_of(L" \t", end);
  Parameters = rest == std::wstring::npos ? std::wstring() : CmdLine.substr(rest);
}

// The shell's start, which is where Windows asks for the administrator's consent: the default verb
// (the program's manifest decides, not "runas"), no error boxes of the shell's own (an unattended run
// must not hang on one), and the process handle kept for the wait.
bool StartThroughShell(const std::wstring& CmdLine, const wchar_t* Folder, WORD Show, HWND Owner,
                       TStartedProcess& Started) {
  std::wstring program, parameters;
  SplitCommandLine(CmdLine, program, parameters);
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  execute.hwnd = Owner;
  execute.lpVerb = nullptr;
  execute.lpFile = program.c_str();
  execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  execute.lpDirectory = Folder;
  execute.nShow = Show;
  DWORD failure = 0;
  {
    // The shell may hand the start to extensions that need an apartment; leaving it may change the
    // error code.
    const TComApartment apartment;
    if (!ShellExecuteCall(&execute)) failure = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
  }
  if (failure != 0) {
    SetLastError(failure);
    return false;
  }
  if (execute.hProcess == nullptr) {
    // Started by some other means than a process of its own: nothing to wait for or to read a code from.
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  Started.Process.Reset(execute.hProcess);
  return true;
}

// Application may be null: the command line's first token names the program then. CreateProcessW may
// write into the command line, so it gets a copy of its own, as long as the text needs. Folder null:
// this program's current folder.
bool StartProcess(const wchar_t* Application, const std::wstring& CmdLine, const wchar_t* Folder, WORD Show,
                  HWND Owner, TStartedProcess& Started, const std::function<bool()>& BeforeConsent = nullptr) {
  std::vector<wchar_t> commandLine(CmdLine.begin(), CmdLine.end());
  commandLine.push_back(L'\0');
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = Show;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessCall(Application, commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, Folder, &startup, &created)) {
    if (GetLastError() != ErrorElevationRequired) return false;
    if (BeforeConsent && !BeforeConsent()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    return StartThroughShell(CmdLine, Folder, Show, Owner, Started);
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

std::wstring SystemCommandInterpreter() { return SystemFolder() + L"\\cmd.exe"; }

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

bool ShellAsksForConsent() { return ShellAsksCall(); }

namespace ProcessSeams {
ShellAsksFn SetShellAsksForConsent(ShellAsksFn Fn) { return ReplaceSeam(ShellAsksCall, Fn, &TokenMakesTheShellAsk); }
CreateProcessFn SetCreateProcess(CreateProcessFn Fn) { return ReplaceSeam(CreateProcessCall, Fn, &CreateProcessW); }
ShellExecuteFn SetShellExecute(ShellExecuteFn Fn) { return ReplaceSeam(ShellExecuteCall, Fn, &LateBound::ShellExecuteExW); }
ShellExecuteFn ShellExecuteInUse() { return ShellExecuteCall; }
}  // namespace ProcessSeams

DWORD ExecProcess(const std::wstring& CmdLine, WORD ShowWindow, bool Wait, HWND Owner, DWORD* StartError,
                  TMessagePump* Pump, const std::function<bool()>& BeforeConsent, const std::wstring& Folder) {
  TStartedProcess started;
  if (!StartProcess(nullptr, CmdLine, Folder.empty() ? nullptr : Folder.c_str(), ShowWindow, Owner, started,
                    BeforeConsent)) {
    const DWORD code = GetLastError();
    if (StartError) *StartError = code != 0 ? code : ERROR_GEN_FAILURE;
    return static_cast<DWORD>(-1);
  }
  if (StartError) *StartError = 0;
  if (!Wait) return 0;
  WaitForProcess(started.Process.Get(), Pump);
  return ExitCode(started.Process.Get());
}

DWORD ExecAndWait(const std::wstring& FileName, const std::wstring& Params, WORD ShowCmd, HWND Owner,
                  TMessagePump* Pump) {
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
                           ShowCmd, Owner, started);
  } else {
    created = StartProcess(nullptr, program, currentFolder, ShowCmd, Owner, started);
  }
  if (!created) CannotStart(FileName);
  WaitForProcess(started.Process.Get(), Pump);
  return ExitCode(started.Process.Get());
}
