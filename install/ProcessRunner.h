#pragma once
// Starting other programs: the driver installer and the release levels' command scripts.
#include <windows.h>

#include <string>

#include "MessagePump.h"

// Waits until Process has ended. With a Pump the window's messages are served meanwhile
// (MsgWaitForMultipleObjects): the window answers, repaints and refuses what it must while an outside
// program runs for seconds, and Pump is told a program runs (WaitingForProgram) for the whole wait.
// Without one it is a plain wait. Every wait for a started program goes through here. Returns
// WAIT_OBJECT_0 once the process has ended, WAIT_FAILED when the handle cannot be waited for.
DWORD WaitForProcess(HANDLE Process, TMessagePump* Pump);

// Starts the command line in a new console with the show state given, in this program's current
// folder; waits for it without a time limit when Wait is true. The caller quotes the program's path:
// unquoted, "C:\Program Files\x.exe" would first be looked for as "C:\Program.exe". Returns the exit
// code when waiting, 0 once started when not, and (DWORD)-1 when it could not be started. The wait serves
// Pump (WaitForProcess).
DWORD ExecProcess(const std::wstring& CmdLine, WORD ShowWindow, bool Wait, TMessagePump* Pump = nullptr);

// Starts FileName (a program, or a ".cmd"/".bat" script, which runs through the system folder's
// cmd.exe) with Params, in FileName's own folder, and waits for it. The path is quoted here; the blank
// before Params stays when they are empty. Returns the exit code; throws EProgramError
// "не смог создать процесс: <FileName>" with the Win32 code when it cannot be started. The wait serves
// Pump (WaitForProcess).
DWORD ExecAndWait(const std::wstring& FileName, const std::wstring& Params, WORD ShowCmd,
                  TMessagePump* Pump = nullptr);
