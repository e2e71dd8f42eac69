#pragma once
// What an installation will read from the distribution and where it puts it, known before anything is
// touched: the distribution check reads these files, the disk-space check weighs them per drive.
#include <string>
#include <vector>

#include "FileOps.h"
#include "InstallPlan.h"

struct TPlannedReads {
  std::vector<TPlannedCopy> Copies;
  // Folders of the distribution whose whole content is copied (relative, with a trailing backslash): a
  // listed file missing there is missing from the installation.
  std::vector<std::wstring> Trees;
};

// The database file where the target has none, the runtime, the fonts the system's font folder lacks,
// the driver package when the driver is wanted, the backup and updater trees, and the setup program
// that stays in the target to uninstall it. Folders the run skips are not read.
TPlannedReads PlannedReads(const TInstallPlan& Plan);

// Adds the files below Source + Folder (Folder relative, with a trailing backslash), each to To + the
// same relative name below the folder, and Folder to the trees.
void AddTreeCopies(const std::wstring& Source, const std::wstring& Folder, const std::wstring& To,
                   TPlannedReads& Reads);

