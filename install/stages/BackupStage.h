#pragma once
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// The backup tree and the updater: copies "backup" and the content of "Updater" (BackupTrees.h), runs
// the newest release level's "Install.cmd" hidden in its folder (NewestReleaseLevel.h, LevelScript.h)
// and records that level in "ReleaseInfo" (ReleaseInfo.h). Its one log line is a notice when the script
// ends with a code other than 0, which the installation lets pass; every error ends the installation.
void DeployBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan);
