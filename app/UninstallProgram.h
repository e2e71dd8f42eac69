#pragma once
// The uninstall as the program block starts it: from the entry in Programs and Features, from the
// Uninstall.exe kept in the target, or with /UNINSTALL.
#include <functional>

#include "CommandLine.h"

// True when the running program is the setup copy kept in a target (Uninstall.exe), which uninstalls
// when no switch says otherwise.
bool RunsAsSetupCopy();

// Without /HANDOVER: runs the uninstall from a temporary copy of the program and waits for it. With it
// (that copy): asks (unless /SILENT or /VERYSILENT), removes, shows the log on the main window's progress
// page (unless /VERYSILENT) and at the end what stayed (only with the question). Returns the exit code.
// LetAnotherRun gives up this program's claim to be the only setup program running: a machine-wide
// uninstall without administrator rights calls it before it starts itself again with them, or the
// program it starts would find it running and refuse.
int UninstallProgram(const TInstallOptions& Options, const std::function<void()>& LetAnotherRun);
