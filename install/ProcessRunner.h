#pragma once
// Starting other programs: the driver installer and the release levels' command scripts.
#include <windows.h>

#include <string>

// Starts the command line (its program path quoted by the caller or by QuoteProgram) in a new console
// with the show state given, in this program's current folder; waits for it when Wait is true. Returns
// its exit code, or (DWORD)-1 when it could not be started.
DWORD ExecProcess(const std::wstring& CmdLine, WORD ShowWindow, bool Wait);

// Starts FileName (a program, or a ".cmd"/".bat" script, which runs through the system's command
// interpreter) with Params, in FileName's own folder, and waits for it. Returns its exit code; throws
// EProgramError "не смог создать процесс: <FileName>" when it cannot be started.
DWORD ExecAndWait(const std::wstring& FileName, const std::wstring& Params, WORD ShowCmd);
