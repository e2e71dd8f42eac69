#include "SetupCopy.h"

#include <vector>

#include "CommandLine.h"
#include "Paths.h"
#include "Scoped.h"
#include "SystemError.h"

namespace {

// How long the copy waits for its parent to end after the hand-over; the parent ends at once then.
constexpr DWORD ParentEndWaitMs = 30000;

std::wstring TemporaryFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return std::wstring();
  folder.resize(length);
  return folder;
}

// True when the copy's result is waiting in the pipe; never blocks.
bool HandedOver(HANDLE Pipe, DWORD& Result) {
  DWORD available = 0;
  if (!PeekNamedPipe(Pipe, nullptr, 0, nullptr, &available, nullptr) || available < sizeof(Result)) return false;
  DWORD got = 0;
  return ReadFile(Pipe, &Result, sizeof(Result), &got, nullptr) && got == sizeof(Result);
}

int Failure(std::wstring& Error, const std::wstring& What, DWORD Code) {
  Error = What + L": " + SystemErrorText(Code);
  return -1;
}

}  // namespace

// A process the system ended for an exception it did not handle has the exception's code as its exit code
// (0xC0000005, 0xC06D007E...): never one of this program's.
bool IsExceptionCode(unsigned long ExitCode) { return (ExitCode & 0xC0000000ul) == 0xC0000000ul; }

std::wstring CopyCrashedText(const std::wstring& Copy, unsigned long ExitCode) {
  return L"Копия программы удаления \"" + Copy + L"\" завершилась аварийно: исключение " + HexCode(ExitCode);
}

int RunFromTemporaryCopy(const std::wstring& Arguments, std::wstring& Error) {
  const std::wstring program = ProgramFile();
  const std::wstring folder = TemporaryFolder();
  wchar_t name[MAX_PATH] = {};
  if (program.empty() || folder.empty() || !GetTempFileNameW(folder.c_str(), L"ust", 0, name))
    return Failure(Error, L"Не удалось создать копию программы удаления во временной папке", GetLastError());
  const std::wstring copy = name;
  // GetTempFileNameW made the name unique by creating the file; the program goes over it.
  if (!CopyFileW(program.c_str(), copy.c_str(), FALSE)) {
    const DWORD code = GetLastError();
    DeleteFileW(copy.c_str());
    return Failure(Error, L"Не удалось скопировать программу удаления в \"" + copy + L"\"", code);
  }
  SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);

  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  // The one handle to the copy's file, passed on to the copy: when the copy ends, the system closes it and
  // the file goes, whatever way the copy ends.
  TScopedFile image(CreateFileW(copy.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherited, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!image.Valid()) {
    const DWORD code = GetLastError();
    DeleteFileW(copy.c_str());
    return Failure(Error, L"Не удалось открыть копию программы удаления \"" + copy + L"\"", code);
  }
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
    return Failure(Error, L"Не удалось связаться с копией программы удаления", GetLastError());
  TScopedHandle reading(readEnd), writing(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE self = nullptr;
  // The copy waits on this handle for this program's end, and asks it for the process id, which takes
  // query rights: with SYNCHRONIZE alone GetProcessId answers 0 and the copy would not wait.
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
    return Failure(Error, L"Не удалось связаться с копией программы удаления", GetLastError());
  TScopedHandle me(self);

  const std::wstring commandLine = L"\"" + copy + L"\" " + Arguments + L" /HANDOVER=" +
                                   std::to_wstring(HandleToULong(self)) + L"," +
                                   std::to_wstring(HandleToULong(writeEnd));
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  // The copy's boxes come up in front, as this program's would.
  AllowSetForegroundWindow(ASFW_ANY);
  if (!CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                      &started))
    return Failure(Error, L"Не удалось запустить копию программы удаления \"" + copy + L"\"", GetLastError());
  TScopedHandle process(started.hProcess), thread(started.hThread);
  // The copy holds its own by now: the pipe breaks when it ends, and its file goes.
  image.Reset();
  writing.Reset();
  me.Reset();

  // This program has windows of its own (the application's, OLE's): it keeps handling their messages while
  // it waits, or a program that sends to every window would wait for it.
  for (;;) {
    DWORD result = 0;
    if (HandedOver(reading.Get(), result)) return static_cast<int>(result);
    const HANDLE copyProcess = process.Get();
    const DWORD woken = MsgWaitForMultipleObjects(1, &copyProcess, FALSE, 50, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) {
      if (HandedOver(reading.Get(), result)) return static_cast<int>(result);
      // Ended without a hand-over: its own exit code is the result.
      DWORD code = ecInstallFailed;
      if (!GetExitCodeProcess(copyProcess, &code)) code = ecInstallFailed;
      if (IsExceptionCode(code)) {
        Error = CopyCrashedText(copy, code);
        return -1;
      }
      return static_cast<int>(code);
    }
    if (woken == WAIT_FAILED) return Failure(Error, L"Не удалось дождаться копии программы удаления", GetLastError());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

TSetupCopyParent::TSetupCopyParent(unsigned long Process, unsigned long Pipe) {
  HANDLE process = ULongToHandle(Process), pipe = ULongToHandle(Pipe);
  const DWORD processId = Process != 0 ? GetProcessId(process) : 0;
  if (processId != 0 && processId != GetCurrentProcessId()) FProcess = process;
  if (Pipe != 0 && GetFileType(pipe) == FILE_TYPE_PIPE) FPipe = pipe;
}

TSetupCopyParent::~TSetupCopyParent() {
  if (FPipe) CloseHandle(FPipe);
  if (FProcess) CloseHandle(FProcess);
}

void TSetupCopyParent::HandOver(int ExitCode) {
  if (!FPipe) return;
  const DWORD result = static_cast<DWORD>(ExitCode);
  DWORD written = 0;
  const bool told = WriteFile(FPipe, &result, sizeof(result), &written, nullptr) && written == sizeof(result);
  CloseHandle(FPipe);
  FPipe = nullptr;
  // Only a parent that was told ends now; one that was not waits for this program's end.
  if (told && FProcess) WaitForSingleObject(FProcess, ParentEndWaitMs);
}
