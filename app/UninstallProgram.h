#pragma once
// The uninstall as the program block starts it: from the entry in Programs and Features, from the
// Uninstall.exe kept in the target, or with /UNINSTALL.
#include "CommandLine.h"

// True when the running program is the setup copy kept in a target (Uninstall.exe), which uninstalls
// when no switch says otherwise.
bool RunsAsSetupCopy();

// Without /HANDOVER: runs the uninstall from a temporary copy of the program and waits for it. With it
// (that copy): asks (unless /SILENT or /VERYSILENT), removes, shows the log on the main window's progress
// page (unless /VERYSILENT) and at the end what stayed (only with the question). Returns the exit code.
int UninstallProgram(const TInstallOptions& Options);
