#pragma once
// The last stage of an installation that went through: what lets Windows, IT staff and deployment tools
// find the suite and take it off again.
#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"
#include "MachineUninstaller.h"
#include "UninstallEntry.h"


// With administrator rights: writes the installation record, puts Plan.SetupProgram and the record's copy
// into the machine-wide uninstaller's folder (MachineUninstaller.h) and writes the entry in HKLM, which
// starts that copy for the target. Otherwise, or when any of that fails (what it put there goes again):
// copies Plan.SetupProgram into the target as SetupCopyName (unless the same program is there already),
// writes the record (which lists the copy) and then the entry in HKCU. In this order: an entry never
// points at a copy or a record that is not there. Nothing is done for a plan
// without an entry name. What cannot be written ends the stage with a log line saying so; the
// installation goes on (the suite works without its entry).
void RegisterInstallation(TInstallContext& Context, const TInstallPlan& Plan);

// The entry's values for an installation by Plan whose recorded files weigh SizeKiB, uninstalled by the
// setup copy in the target; with MachineUninstaller (its folder), by the copy there, for Plan's target.
TUninstallEntry EntryFor(const TInstallPlan& Plan, unsigned long SizeKiB,
                         const std::wstring& MachineUninstaller = std::wstring());
