#pragma once
// Small file helpers shared by the engine's tests (the temporary folder itself is CommonTestFiles.h's).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "CommonTestFiles.h"
#include "DeployedFiles.h"
#include "InstallSequence.h"
#include "TestTree.h"

// Checked without the engine's own helpers: the tests do not lean on the code they test.
bool TestFileExists(const std::wstring& Path);
// The text in the operator's code page (1251), whatever the test process's own is.
std::string Ansi(const std::wstring& Text);
// The whole file; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::wstring& Path);
// The last-write time, or zero when the file cannot be opened.
FILETIME LastWriteTime(const std::wstring& Path);
void SetLastWriteTime(const std::wstring& Path, const FILETIME& Time);

// A link at Link to Target (a folder when Folder): Windows' own call where it makes one, else, under Wine,
// whose links are Unix ones, the Unix "ln". Empty when made, otherwise why not.
std::string MakeLink(const std::wstring& Link, const std::wstring& Target, bool Folder);
// Takes a link away without touching what it points at (before a clean-up that would follow it).
void RemoveLink(const std::wstring& Link);

// A folder's files and folders with their bytes (ReadTree).
using TTree = testsupport::FileTree;
using testsupport::ReadTree;

// The small distribution's database stage files, in copy order.
using TDeployed = testsupport::DeployedFile;
using testsupport::DeployedFiles;
// The time those files carry: 1 January 2020 12:00:01 UTC, an odd second, so the two-second rounding shows.
FILETIME DistributionTime();

// A small distribution in Source (with a trailing backslash): a database and the runtime's files (each
// "distribution <its name>"), one release level whose script puts the main program "Vidoze.exe" into the
// target, the updater and "Install.exe". No fonts and no driver.
void MakeSmallDistribution(const std::wstring& Source);
// The plan of an installation of ProductName from it into Target, without the driver (its stage has tests
// of its own; here its question would only be one more answer).
TInstallPlan SmallDistributionPlan(const std::wstring& Source, const std::wstring& Target,
                                   const std::wstring& ProductName);

// Holds a file open without sharing, as a running program holding its library does.
class THeldOpen {
 public:
  explicit THeldOpen(const std::wstring& Path);
  ~THeldOpen();
  THeldOpen(const THeldOpen&) = delete;
  THeldOpen& operator=(const THeldOpen&) = delete;
  bool Held() const { return FHandle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE FHandle;
};
