#pragma once
// The installation as the switches ask for it; each returns the program's exit code.
#include "CommandLine.h"

// The /LOG file as a full path: the stages change the current folder. Empty when none was asked for.
std::wstring LogFileOf(const TInstallOptions& Options);

// /VERYSILENT: no window at all, errors to the log files.
int InstallWithoutWindow(const TInstallOptions& Options);
// /SILENT: only the progress page of the main window (FMain, created by the caller) with the log.
int InstallWithProgressPage(const TInstallOptions& Options);
// /VERIFY: the installed suite against its installation record; a box with the outcome unless
// /VERYSILENT, the log files either way. 0 when nothing differs, 8 when something does.
int VerifyInstalled(const TInstallOptions& Options);
