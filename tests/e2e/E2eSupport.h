#pragma once
// What the end-to-end tests share: the sample distribution copied for each test, the files its database
// stage deploys, the prefix's screen resolution, text conversions.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "DeployedFiles.h"
#include "Driver.h"
#include "TestTree.h"

namespace e2e {

// The prefix's screen DPI for the programs started while it lives (Wine reads it at their start).
class ScopedScreenDpi {
 public:
  explicit ScopedScreenDpi(DWORD Dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key,
                    nullptr);
    DWORD size = sizeof(Previous);
    Had = RegQueryValueExW(Key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&Previous), &size) ==
          ERROR_SUCCESS;
    RegSetValueExW(Key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Dpi), sizeof(Dpi));
  }
  ~ScopedScreenDpi() {
    if (Had)
      RegSetValueExW(Key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Previous), sizeof(Previous));
    else
      RegDeleteValueW(Key, L"LogPixels");
    RegCloseKey(Key);
  }

 private:
  HKEY Key = nullptr;
  DWORD Previous = 0;
  bool Had = false;
};

// Sets an environment variable for the programs started while it lives.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* Name, const wchar_t* Value) : FName(Name) { SetEnvironmentVariableW(Name, Value); }
  ~ScopedVariable() { SetEnvironmentVariableW(FName, nullptr); }

 private:
  const wchar_t* FName;
};

// The database stage's files in copy order: where they lie in the distribution and in the target.
using Deployed = testsupport::DeployedFile;
using testsupport::DeployedFiles;

std::string Narrow(const std::wstring& Text);
std::wstring Widen(const std::string& Text);

// Where an administrator's installation (Wine's always is) keeps its uninstaller: the product's folder
// under the 32-bit Program Files (the shipped program is a 32-bit one), with a trailing backslash.
std::wstring MachineFolder();
std::wstring MachineUninstaller();

// A copy of the sample distribution in a folder with Cyrillic letters and blanks, and a working folder
// elsewhere to start it from. The fonts the installations put into the shared prefix are taken out again
// at the end, so every test starts from the same prefix.
class SampleDistribution : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Takes the fonts an installation put into the prefix out again, so the next one finds what the first did.
  void RemoveInstalledFonts();
  // Takes the Programs and Features entries of the test's folders out again.
  void RemoveEntriesOfThisTest();
  // The log of a completed installation with the driver, the fonts the prefix lacks and the sample's files.
  static std::vector<std::wstring> CompletedLog();
  std::wstring Work, Dist, Elsewhere;
  // The distribution the test copies: the shipped one, unless a fixture names another before SetUp
  // (TEST_SEAMS_DIST_UNIX_DIR for one that orders a test seam, which the shipped program has none of).
  const char* DistributionSource = DIST_UNIX_DIR;

 private:
  std::vector<std::wstring> FontsBefore;
};

// A shell link as IShellLinkW reads it back.
struct ShellLink {
  bool Read = false;
  std::wstring Path, Arguments, Description, WorkingFolder;
};
ShellLink ReadShellLink(const std::wstring& LinkFile);
std::wstring DesktopFolder();
// Every user's desktop, where an installation as the system account puts the link.
std::wstring CommonDesktopFolder();

// The lines of an installation log file without its byte-order mark.
std::vector<std::wstring> LogFileLines(const std::wstring& Path);
// The lines of its last run, the run's header left out.
std::vector<std::wstring> LastRunLines(const std::wstring& Path);

// Makes the distribution's driver package a newer one: its installer differs from the sample's (longer,
// which the stand-in's record shows in its size) and it has a sub-folder, "amd64\ftdibus.sys".
void MakeNewerDriver(const std::wstring& Distribution);
// The sizes of the stand-in driver installers whose runs Record holds, oldest first.
std::vector<long long> RecordedInstallerSizes(const std::wstring& Record);
long long FileSize(const std::wstring& Path);

// The distribution's checksum list made anew for its files as they are now, as a vendor makes it with
// sha256sum (a distribution changed on purpose is a sound one again).
void RewriteChecksumList(const std::wstring& Distribution);
// A distribution made before checksum lists: its files are not checked.
void DropChecksumList(const std::wstring& Distribution);
// Every file and folder below a folder with its bytes.
using testsupport::ReadTree;

}  // namespace e2e
