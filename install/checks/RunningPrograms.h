#pragma once
// Programs running from the target folder: the suite's main program, its updater, anything started from
// there. Installing over them would copy into files in use and record what they write meanwhile as the
// installation's; removing them would fail half-way.
#include <windows.h>

#include <string>
#include <vector>

#include "InstallContext.h"

struct TRunningProgram {
  DWORD ProcessId = 0;
  std::wstring Path;   // its program file
  std::wstring Title;  // the name the Restart Manager gives it (its window's title); empty where it gives none
};

// Every process but this one whose program file lies below Target (a full path with its trailing
// backslash), from the system's process list, with the Restart Manager's names where it answers (it also
// names programs from elsewhere that hold a program file of the target). The target's own Uninstall.exe
// is this program's copy and waits for it: it is left out.
std::vector<TRunningProgram> ProgramsRunningFrom(const std::wstring& Target);

// Waits for the operator until no program runs from Target: names them in a box with "Повторить" and
// "Отмена", and looks again after "Повторить". Nothing is ended by force: what the suite holds open
// would be lost. After "Отмена", or at once without an operator, the log line names them, followed by
// NotStarted, and the result is false.
bool NoProgramRunsFrom(TInstallContext& Context, const std::wstring& Target, const wchar_t* NotStarted);

// "Из папки установки запущены программы: "<путь>" (<имя>), ..." for a log line or a box.
std::wstring RunningProgramsText(const std::vector<TRunningProgram>& Programs);
