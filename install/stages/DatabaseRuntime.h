#pragma once
#include <string>
#include <vector>

#include "InstallContext.h"
#include "FileOps.h"

// The database with its Firebird runtime and the suite's extension libraries (24 copy lines). False when
// a failure ended the installation.
bool DeployDatabaseRuntime(TInstallContext& Context, const std::wstring& Source, const std::wstring& Target);

// What its copies weigh in bytes: the database file when the target has none yet, and the runtime.
unsigned long long DatabaseRuntimeBytes(const std::wstring& Source, const std::wstring& Target);

// Its copies, in the order it makes them: the database file only where the target has none.
void AddDatabaseRuntimeCopies(const std::wstring& Target, std::vector<TPlannedCopy>& Copies);
