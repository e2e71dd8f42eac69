#pragma once
// What an installation by this program is: its target, the distribution beside it and the product of its
// string table. No window here: the wizard and the runs without one share it.
#include <string>

#include "InstallPlan.h"

// The target (made a full path), the distribution beside the program and the product's identity.
TInstallPlan ProgramPlan(const std::wstring& Target, bool DriverInstall);

// The target offered by the folder page and taken by a run without /DIR: "C:\" and the suite's folder.
std::wstring DefaultTargetFolder();

// The comparison behind IsSiblingProduct, for any name: equal to "Велена" after locale-aware upper-casing.
bool IsSiblingProductName(const std::wstring& ProductName);
