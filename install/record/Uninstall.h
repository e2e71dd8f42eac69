#pragma once
// The uninstall: removes what the installation record of a target lists and nothing else, the desktop
// link while it still points into the target, and the suite's entry in Programs and Features. It keeps
// the database, the settings, every file the installation did not put there, the fonts and the driver.
// Its lines go to the context's log and, as a section of their own, to Settings\install.log.
#include <functional>
#include <string>

#include "InstallContext.h"

struct TUninstallRequest {
  std::wstring Target;       // full, with a trailing backslash
  std::wstring EntryName;    // the name of the entry's key
  std::wstring ProductName;  // for the question and the desktop link's name
  std::wstring LogFile;      // a second copy of the log; empty: none
  // Called once, when everything else is removed and the log written, just before the setup program's
  // copy in the target is removed: the process running from that copy must end here. Empty: none does.
  std::function<void()> ReleaseSetupCopy;
};

enum TUninstallOutcome {
  uoRemoved,     // everything the record lists is gone (but folders holding the clinic's files)
  uoCancelled,   // No to the question: nothing changed
  uoRefused,     // no readable record (or no target): nothing changed
  uoIncomplete,  // something could not be removed; the entry, the record and the setup copy stay
  uoSuiteRunning,  // programs run from the target and were not closed: nothing removed
};

struct TUninstallResult {
  TUninstallOutcome Outcome = uoRefused;
  std::wstring Summary;  // for the operator at the end: what stayed and where, or what could not be removed
};

// The program's exit code: 0 removed, 2 cancelled, 4 refused or incomplete, 5 programs run from the target.
int UninstallExitCode(TUninstallOutcome Outcome);

// Asks the context once (a run without an operator answers Yes), then removes. A refusal is shown through
// Context.ShowError and written to the second log only: a folder without a record gets nothing written.
TUninstallResult RunUninstall(TInstallContext& Context, const TUninstallRequest& Request);
