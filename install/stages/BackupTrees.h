#pragma once
// The backup tree and the updater's files, copied from the distribution into the target.
#include "InstallContext.h"
#include "InstallPlan.h"

// Copies the distribution's "backup" into the target's "backup" (made when neither it nor "Backup" is
// there) and the content of "Updater" into the target itself, and makes the two files the updater
// rewrites ("ReleaseInfo", "Updater.exe.cfg") writable.
void CopyBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan);

// What those copies weigh in bytes: the distribution's "backup" and "Updater" trees.
unsigned long long BackupAndUpdaterBytes(const TInstallPlan& Plan);
