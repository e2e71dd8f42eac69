#pragma once
// The release level's own script, "Install.cmd" in the level's folder.
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// Runs Level + "\Install.cmd" hidden, in the level's folder, and waits for it; what it puts into the
// target is the installation's. With administrator rights only the script this installation copied
// from the distribution runs, held unchanged until it has ended: a level's script that differs (an
// updater's or a user's) is left out with a log line. A code other than 0 is a log line too; a script
// that cannot start ends the installation (EProgramError).
void RunLevelScript(TInstallContext& Context, const TInstallPlan& Plan, const std::wstring& Level);
