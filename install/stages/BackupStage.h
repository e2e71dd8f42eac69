#pragma once
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// The backup tree and the updater: copies "backup" and the content of "Updater", runs the newest
// release level's "Install.cmd" hidden in its folder and records that level in "ReleaseInfo". Its one
// log line is a notice when the script ends with a code other than 0, which the installation lets
// pass; every error ends the installation.
void DeployBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan);

// What its copies weigh in bytes: the distribution's "backup" and "Updater" trees.
unsigned long long BackupAndUpdaterBytes(const TInstallPlan& Plan);

// Sets the Level element of Folder + "ReleaseInfo" (an XML document whose Version must be 1). The file
// is hostile input: read as bytes (at most 1 MiB) and parsed from memory, with no document type
// declaration allowed and nothing outside it fetched.
void UpdateReleaseInfo(const std::wstring& Folder, const std::wstring& Level);
