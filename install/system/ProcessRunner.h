#pragma once
// Starting other programs: the driver installer and the release levels' command scripts.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "MessagePump.h"

// Waits until Process has ended. With a Pump the window's messages are served meanwhile
// (MsgWaitForMultipleObjects): the window answers, repaints and refuses what it must while an outside
// program runs for seconds, and Pump is told a program runs (WaitingForProgram) for the whole wait.
// Without one it is a plain wait. Every wait for a started program goes through here, whichever way it
// was started. Returns WAIT_OBJECT_0 once the process has ended, WAIT_FAILED when the handle cannot be
// waited for.
DWORD WaitForProcess(HANDLE Process, TMessagePump* Pump);

// Starts the command line in a new console with the show state given, in Folder (empty: this program's
// current folder); waits for it without a time limit when Wait is true. The caller quotes the program's path:
// unquoted, "C:\Program Files\x.exe" would first be looked for as "C:\Program.exe". Returns the exit
// code when waiting, 0 once started when not, and (DWORD)-1 when it could not be started; StartError,
// when given, receives the Win32 code of that failure, or 0 when the program started (a program may
// itself end with -1).
//
// A program that needs administrator rights (CreateProcessW's ERROR_ELEVATION_REQUIRED, 740: its manifest,
// or Windows' installer detection by file name) is started again through the shell, which asks for the
// administrator's consent with Owner as the prompt's owner window (none: no owner); the same folder,
// show state and waiting. The operator's refusal comes back as ERROR_CANCELLED. The wait serves Pump
// (WaitForProcess). BeforeConsent, when given, is asked first: false keeps the program from going to
// the consent prompt, and StartError receives ERROR_ACCESS_DENIED.
DWORD ExecProcess(const std::wstring& CmdLine, WORD ShowWindow, bool Wait, HWND Owner = nullptr,
                  DWORD* StartError = nullptr, TMessagePump* Pump = nullptr,
                  const std::function<bool()>& BeforeConsent = nullptr, const std::wstring& Folder = std::wstring());

// Starts FileName (a program, or a ".cmd"/".bat" script, which runs through the system folder's
// cmd.exe) with Params, in FileName's own folder, and waits for it. The path is quoted here; the blank
// before Params stays when they are empty. Returns the exit code; throws EProgramError
// "не смог создать процесс: <FileName>" with the Win32 code when it cannot be started. A program that
// needs elevation is started as ExecProcess starts it. The wait serves Pump (WaitForProcess).
DWORD ExecAndWait(const std::wstring& FileName, const std::wstring& Params, WORD ShowCmd, HWND Owner = nullptr,
                  TMessagePump* Pump = nullptr);

// True when the shell's start of a program that needs administrator rights would show a prompt: the
// consent prompt of an administrator whose rights UAC holds back (unless the policy elevates without
// asking), the credentials prompt of a standard user (unless the policy refuses at once). A run that may
// show nothing asks this before it goes to the shell.
bool ShellAsksForConsent();

// Seams for what only a user without administrator rights sees: the tests replace the process
// creation to refuse a start as UAC does, and look at what goes to the shell.
namespace ProcessSeams {
using CreateProcessFn = BOOL(WINAPI*)(LPCWSTR Application, LPWSTR CommandLine, LPSECURITY_ATTRIBUTES Process,
                                      LPSECURITY_ATTRIBUTES Thread, BOOL InheritHandles, DWORD Flags,
                                      LPVOID Environment, LPCWSTR CurrentFolder, LPSTARTUPINFOW Startup,
                                      LPPROCESS_INFORMATION Created);
using ShellExecuteFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW* Execute);
// Each setter installs a replacement (nullptr restores the system call) and returns the previous one.
CreateProcessFn SetCreateProcess(CreateProcessFn Fn);
ShellExecuteFn SetShellExecute(ShellExecuteFn Fn);
// Wine's token is always a full administrator's: the tests say whether the shell would ask.
using ShellAsksFn = bool (*)();
ShellAsksFn SetShellAsksForConsent(ShellAsksFn Fn);
// The shell's start in use, for the other units that start a program through the shell.
ShellExecuteFn ShellExecuteInUse();
}  // namespace ProcessSeams
