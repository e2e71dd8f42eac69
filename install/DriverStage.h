#pragma once
#include "InstallContext.h"
#include "InstallPlan.h"

// The device driver, when the plan asks for it: asks the operator to connect the interface block and,
// on Yes, copies the distribution's "FTDIDriverInstall" folder into the target and runs its installer
// hidden, waiting for it, between two notices. Nothing here ends the installation.
void InstallDriver(TInstallContext& Context, const TInstallPlan& Plan);
