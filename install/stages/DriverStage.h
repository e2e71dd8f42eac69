#pragma once
#include "InstallContext.h"
#include "InstallPlan.h"

// The device driver, when the plan asks for it: asks the operator to connect the interface block and,
// on Yes, copies the content of the distribution's "FTDIDriverInstall" folder into the target's (an
// earlier installation's files replaced, never a folder nested in it) and runs the target's installer
// hidden, waiting for it, between two notices. What did not happen gets a notice of its own instead: a
// file not copied, no installer, an installer that could not be started (the operator refused the
// administrator's consent, for one, or a run that may show nothing would have needed the prompt), an exit
// code other than 0. The installer runs in its own folder. Nothing here ends the installation.
void InstallDriver(TInstallContext& Context, const TInstallPlan& Plan);
