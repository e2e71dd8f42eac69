#pragma once
// The installation: one ordered run of stages, each reported as lines of the context's log.
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// How a run ended.
enum TInstallOutcome {
  ioInstalled,      // every stage ran
  ioFolderFailed,   // the target folder or its database folder could not be created
  ioStageFailed,    // a stage reported a failure that ends the run (its database folder, a copy)
  ioError,          // an error raised by a stage ended the run; its text was shown
  ioNoDiskSpace,    // a drive lacks room for the copies: nothing was touched
  ioDamagedDistribution,  // the distribution differs from its checksum list: nothing was touched
  ioSuiteRunning,   // programs run from the target and were not closed: nothing was copied
};

// The program's exit code for an outcome: 0 installed, 3 the target folder could not be created, 4 the
// installation ended by an error, 5 programs run from the target, 6 no room, 7 a damaged distribution. (1 is a bad command line, 2 a
// cancel before the start.)
int ExitCodeOf(TInstallOutcome Outcome);

// Runs the whole installation against Context. Before anything in the target changes (and before an
// unattended run makes the target), the drives' room and the distribution's checksum list are checked;
// either failing ends the run with a box naming the figures or the files. An error raised by a stage is shown through
// Context.ShowError and kept in the installation log; nothing is rolled back.
TInstallOutcome RunInstallation(TInstallContext& Context, const TInstallPlan& Plan);
