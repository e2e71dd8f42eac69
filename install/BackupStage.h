#pragma once
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// The backup tree and the updater: copies "backup" and the content of "Updater", runs the newest
// release level's "Install.cmd" hidden in its folder and records that level in "ReleaseInfo". Writes
// no log line; every error ends the installation.
void DeployBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan);

// What its copies weigh in bytes: the distribution's "backup" and "Updater" trees.
unsigned long long BackupAndUpdaterBytes(const TInstallPlan& Plan);

// Sets the Level element of Folder + "ReleaseInfo" (an XML document whose Version must be 1).
void UpdateReleaseInfo(const std::wstring& Folder, const std::wstring& Level);
