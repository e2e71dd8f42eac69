// The entry in Programs and Features, in the test prefix's own registry, under a name of this test
// process, so nothing of a real installation is touched.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ElevationSeams.h"
#include "Error.h"
#include "InstallRecord.h"
#include "InstallTestFiles.h"
#include "LocalSystemSeam.h"
#include "MachineUninstaller.h"
#include "ProgramVersion.h"
#include "RecordingContext.h"
#include "Registration.h"
#include "SecurityReadBack.h"
#include "UninstallEntry.h"

namespace {

std::string Narrow(const std::wstring& Text) { return ::testing::PrintToString(Text); }

class UninstallEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    Name = L"ПроверкаЗаписи-" + std::to_wstring(GetCurrentProcessId());
    Target = Temp.Path() + L"Папка установки\\";
    CreateFolder(Target);
    CreateFolder(Target + L"Settings");
  }
  void TearDown() override {
    UninstallEntrySeams::SetMachineRefused(false);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyW(root, (UninstallKeyPath + Name).c_str());
    const std::wstring machine = MachineUninstallerFolder(Name);
    for (const wchar_t* name : {L"Uninstall.exe", L"install-record.txt"}) DeleteFileW((machine + name).c_str());
    RemoveDirectoryW(machine.c_str());
  }
  // The machine-wide uninstaller of this test's entry.
  std::wstring MachineCopy() const { return MachineUninstallerFolder(Name) + L"Uninstall.exe"; }
  static bool Has(HKEY Root, const std::wstring& Key) {
    TUninstallEntry entry;
    return ReadUninstallEntry(Root, Key, entry);
  }
  TUninstallEntry Sample(const std::wstring& Folder) const {
    TUninstallEntry entry;
    entry.DisplayName = L"Ритмон - Vidoze";
    entry.InstallLocation = Folder;
    entry.UninstallString = L"\"" + Folder + L"Uninstall.exe\" /UNINSTALL";
    entry.URLInfoAbout = L"http://www.example";
    entry.EstimatedSize = 7;
    return entry;
  }
  TInstallPlan Plan() const {
    TInstallPlan plan;
    plan.Target = Target;
    plan.ProductName = L"Ритмон - Vidoze";
    plan.MainProgram = L"Vidoze.exe";
    plan.EntryName = Name;
    plan.Publisher = L"ООО «Кардиотех-Мед»";
    plan.AboutLink = L"http://www.kardiotech-med.example";
    plan.SetupProgram = Temp.Path() + L"Дистрибутив Install.exe";
    return plan;
  }

  TTempFolder Temp;
  std::wstring Name, Target;
};

TEST_F(UninstallEntry, RegistrationWritesWhatWindowsAndDeploymentToolsRead) {
  const std::string program(5000, 'P');
  WriteFileBytes(Plan().SetupProgram, program);
  WriteFileBytes(Target + L"Vidoze.exe", "main program");
  WriteFileBytes(Target + L"ReleaseInfo", "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version><Level>011226</Level></ROOT>\r\n");
  TRecordingContext context;
  {
    // Without administrator rights: the user's own entry, with the setup program kept in the target.
    const TAdministratorRights user(false);
    RegisterInstallation(context, Plan());
  }

  // The setup program is kept in the target, and the record lists it.
  EXPECT_EQ(ReadFileBytes(Target + L"Uninstall.exe"), program);
  EXPECT_FALSE(TestFileExists(MachineCopy()));
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  ASSERT_EQ(record.Entries.size(), 1u);
  EXPECT_EQ(record.Entries[0].Path, L"Uninstall.exe");

  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_CURRENT_USER, Name, entry)) << "a user's goes to the user's own";
  EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, Name)) << "never a machine-wide entry that starts a program in the target";
  EXPECT_EQ(entry.DisplayName, L"Ритмон - Vidoze");
  EXPECT_EQ(entry.DisplayVersion, L"011226") << "the release level the installation recorded";
  EXPECT_EQ(entry.Publisher, L"ООО «Кардиотех-Мед»");
  EXPECT_EQ(entry.InstallLocation, Target);
  EXPECT_EQ(entry.DisplayIcon, Target + L"Vidoze.exe");
  EXPECT_EQ(entry.UninstallString, L"\"" + Target + L"Uninstall.exe\" /UNINSTALL");
  EXPECT_EQ(entry.QuietUninstallString, L"\"" + Target + L"Uninstall.exe\" /UNINSTALL /VERYSILENT");
  EXPECT_EQ(entry.EstimatedSize, 5u) << "KiB of what the record lists, rounded up";
  EXPECT_EQ(entry.URLInfoAbout, L"http://www.kardiotech-med.example");
  EXPECT_EQ(entry.NoModify, 1u);
  EXPECT_EQ(entry.NoRepair, 1u);
  SYSTEMTIME today{};
  GetLocalTime(&today);
  wchar_t date[16];
  wsprintfW(date, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
  EXPECT_EQ(entry.InstallDate, date);
  EXPECT_TRUE(context.Lines.empty()) << "the log is as it was before the entry";
}

TEST_F(UninstallEntry, WithoutAReleaseLevelOrMainProgramTheEntryStillNamesSomething) {
  WriteFileBytes(Plan().SetupProgram, "P");
  TRecordingContext context;
  RegisterInstallation(context, Plan());
  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_LOCAL_MACHINE, Name, entry));
  EXPECT_EQ(entry.DisplayVersion, ProgramVersion());
  EXPECT_EQ(entry.DisplayIcon, MachineCopy());
}

// With administrator rights the uninstaller and the record it removes by are kept where only
// administrators may change them, each with a protected security of its own, read back from the system.
TEST_F(UninstallEntry, AnAdministratorsUninstallerIsKeptWhereUsersCannotChangeIt) {
  const std::string program(5000, 'P');
  WriteFileBytes(Plan().SetupProgram, program);
  WriteFileBytes(Target + L"Vidoze.exe", "main program");
  TRecordingContext context;
  {
    TInstallRecorder recorder(Target);
    ReportFilePut(Target + L"Vidoze.exe");
    RegisterInstallation(context, Plan());
  }
  const std::wstring folder = MachineUninstallerFolder(Name);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(ReadFileBytes(folder + L"Uninstall.exe"), program);
  EXPECT_FALSE(TestFileExists(Target + L"Uninstall.exe")) << "none in the target";
  EXPECT_EQ(ReadFileBytes(folder + L"install-record.txt"), ReadFileBytes(Target + L"Settings\\install-record.txt"));
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecordFile(folder + L"install-record.txt", record), rrRead);
  ASSERT_EQ(record.Entries.size(), 1u);
  EXPECT_EQ(record.Entries[0].Path, L"Vidoze.exe");

  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_LOCAL_MACHINE, Name, entry));
  EXPECT_FALSE(Has(HKEY_CURRENT_USER, Name));
  const std::wstring dir = Target.substr(0, Target.size() - 1);
  EXPECT_EQ(entry.UninstallString, L"\"" + folder + L"Uninstall.exe\" /UNINSTALL /DIR=\"" + dir + L"\"");
  EXPECT_EQ(entry.QuietUninstallString, entry.UninstallString + L" /VERYSILENT");
  EXPECT_EQ(entry.InstallLocation, Target);
  EXPECT_EQ(MachineUninstallerOf(Name, dir), folder);

  // A reinstall replaces both.
  WriteFileBytes(Plan().SetupProgram, "a newer program");
  RegisterInstallation(context, Plan());
  EXPECT_EQ(ReadFileBytes(folder + L"Uninstall.exe"), "a newer program");
  EXPECT_FALSE(TestFileExists(folder + L"Uninstall.exe.tmp"));

  // The security given: what it grants, judged as the system's is below.
  PSECURITY_DESCRIPTOR given = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(MachineUninstallerSecurity, SDDL_REVISION_1, &given,
                                                                   nullptr));
  std::vector<std::pair<std::wstring, TSecurityReadBack>> judged = {{L"the security given", JudgeSecurity(given)}};
  LocalFree(given);
  // What the system gives back for the folder and both files; Debian's Wine keeps no security a program sets.
  const bool kept = SecurityIsKept(Temp.Path());
  if (kept)
    for (const std::wstring& path : {folder, folder + L"Uninstall.exe", folder + L"install-record.txt"})
      judged.push_back({path, ReadSecurity(path)});
  for (const auto& [what, security] : judged) {
    SCOPED_TRACE(Narrow(what));
    ASSERT_TRUE(security.Read);
    EXPECT_TRUE(security.Protected) << "nothing inherited from above";
    EXPECT_TRUE(security.UserWrites.empty()) << Narrow(security.UserWrites.empty() ? L"" : security.UserWrites[0]);
    EXPECT_EQ(security.Owner, L"S-1-5-32-544");
    EXPECT_EQ(security.Administrators & FILE_ALL_ACCESS, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
    EXPECT_EQ(security.System & FILE_ALL_ACCESS, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
    EXPECT_EQ(security.Users & (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE),
              static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE)) << "users read and run it";
  }
  EXPECT_TRUE(context.Lines.empty());
  if (!kept) GTEST_SKIP() << "this Wine keeps no security a program sets: only the security given was judged";
}

// No machine-wide entry to be had: the user's own, and nothing is left in Program Files.
TEST_F(UninstallEntry, AnAdministratorRefusedTheMachineEntryGetsAPerUserOne) {
  WriteFileBytes(Plan().SetupProgram, "P");
  UninstallEntrySeams::SetMachineRefused(true);
  TRecordingContext context;
  RegisterInstallation(context, Plan());
  EXPECT_TRUE(Has(HKEY_CURRENT_USER, Name));
  EXPECT_TRUE(TestFileExists(Target + L"Uninstall.exe"));
  EXPECT_EQ(GetFileAttributesW(MachineUninstallerFolder(Name).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(context.Lines.empty());
}

TEST_F(UninstallEntry, WhatCannotBeWrittenIsToldAndNoEntryPointsAtIt) {
  for (const bool administrator : {false, true}) {
    SCOPED_TRACE(administrator ? "machine-wide" : "per-user");
    TearDown();
    WriteFileBytes(Plan().SetupProgram, "P");
    WriteFileBytes(Target + L"Vidoze.exe", "main program");
    // A folder in the record's place: the record cannot be written.
    CreateFolder(Target + L"Settings\\install-record.txt");
    TRecordingContext context;
    {
      const TAdministratorRights rights(administrator);
      TInstallRecorder recorder(Target);
      ReportFilePut(Target + L"Vidoze.exe");
      RegisterInstallation(context, Plan());
    }
    EXPECT_EQ(GetFileAttributesW(MachineUninstallerFolder(Name).c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(context.Lines.size(), 1u);
    EXPECT_EQ(context.Lines[0].rfind(L"Комплекс не внесён в список установленных программ Windows: Cannot create file \"" +
                                         Target + L"Settings\\install-record.txt\"",
                                     0),
              0u)
        << Narrow(context.Lines[0]);
    EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, Name));
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, Name));
    EXPECT_TRUE(context.Errors.empty()) << "the installation goes on";
  }
}

TEST_F(UninstallEntry, TheSameProgramIsNotCopiedAgain) {
  const TAdministratorRights user(false);
  WriteFileBytes(Plan().SetupProgram, "P");
  WriteFileBytes(Target + L"Uninstall.exe", "P");
  const FILETIME earlier{0x12345678, 0x01D00000};
  SetLastWriteTime(Target + L"Uninstall.exe", earlier);
  TRecordingContext context;
  RegisterInstallation(context, Plan());
  const FILETIME now = LastWriteTime(Target + L"Uninstall.exe");
  EXPECT_EQ(CompareFileTime(&now, &earlier), 0) << "left as it was";
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  ASSERT_EQ(record.Entries.size(), 1u) << "still listed";
  EXPECT_TRUE(Has(HKEY_CURRENT_USER, Name));
}

TEST_F(UninstallEntry, APlanWithoutAnEntryNameRegistersNothing) {
  TInstallPlan plan = Plan();
  plan.EntryName.clear();
  WriteFileBytes(plan.SetupProgram, "P");
  TRecordingContext context;
  RegisterInstallation(context, plan);
  EXPECT_FALSE(TestFileExists(Target + L"Uninstall.exe"));
  EXPECT_FALSE(TestFileExists(Target + L"Settings\\install-record.txt"));
  EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, Name));
}

TEST_F(UninstallEntry, AReinstallReplacesTheEntryWhole) {
  WriteUninstallEntry(Name, Sample(Target));
  TUninstallEntry second = Sample(Target);
  second.URLInfoAbout.clear();
  second.EstimatedSize = 9;
  EXPECT_EQ(WriteUninstallEntry(Name, second), HKEY_LOCAL_MACHINE);
  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_LOCAL_MACHINE, Name, entry));
  EXPECT_EQ(entry.EstimatedSize, 9u);
  EXPECT_TRUE(entry.URLInfoAbout.empty()) << "no value of the earlier entry stays";
}

TEST_F(UninstallEntry, AUserWithoutRightsToTheMachineGetsItInTheirOwn) {
  UninstallEntrySeams::SetMachineRefused(true);
  EXPECT_EQ(WriteUninstallEntry(Name, Sample(Target)), HKEY_CURRENT_USER);
  EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, Name));
  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_CURRENT_USER, Name, entry));
  EXPECT_EQ(entry.InstallLocation, Target);

  // An administrator's later installation of the same folder moves it to the machine: one entry.
  UninstallEntrySeams::SetMachineRefused(false);
  EXPECT_EQ(WriteUninstallEntry(Name, Sample(Target)), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(Has(HKEY_CURRENT_USER, Name));
}

// The system account's HKCU is its own profile's, which Programs and Features shows to no one: the entry
// is the machine's, or there is none and the stage says why.
TEST_F(UninstallEntry, TheSystemAccountWritesOnlyTheMachinesEntry) {
  const TAsLocalSystem system;
  EXPECT_EQ(WriteUninstallEntry(Name, Sample(Target)), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(Has(HKEY_CURRENT_USER, Name));

  UninstallEntrySeams::SetMachineRefused(true);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (UninstallKeyPath + Name).c_str());
  try {
    WriteUninstallEntry(Name, Sample(Target));
    ADD_FAILURE() << "no error";
  } catch (const EProgramError& error) {
    EXPECT_EQ(error.SystemCode(), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
  }
  EXPECT_FALSE(Has(HKEY_CURRENT_USER, Name)) << "nothing in the system account's profile";
}

TEST_F(UninstallEntry, RemovalTakesOnlyTheEntriesOfTheFolder) {
  const std::wstring other = Temp.Path() + L"Другая папка\\";
  WriteUninstallEntry(Name, Sample(Target));
  UninstallEntrySeams::SetMachineRefused(true);
  WriteUninstallEntry(Name, Sample(other));
  UninstallEntrySeams::SetMachineRefused(false);
  ASSERT_TRUE(Has(HKEY_LOCAL_MACHINE, Name));
  ASSERT_TRUE(Has(HKEY_CURRENT_USER, Name));

  // The same folder written otherwise: other letter case, no trailing backslash.
  std::wstring folder = Target.substr(0, Target.size() - 1);
  CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
  const TEntryRemoval removal = RemoveUninstallEntries(Name, folder);
  EXPECT_EQ(removal.Removed, 1);
  EXPECT_EQ(removal.OtherFolder, 1);
  EXPECT_TRUE(removal.Error.empty()) << Narrow(removal.Error);
  EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, Name));
  EXPECT_TRUE(Has(HKEY_CURRENT_USER, Name));
}

TEST_F(UninstallEntry, RemovalWithoutRightsSaysWhy) {
  WriteUninstallEntry(Name, Sample(Target));
  UninstallEntrySeams::SetMachineRefused(true);
  const TEntryRemoval removal = RemoveUninstallEntries(Name, Target);
  EXPECT_EQ(removal.Removed, 0);
  EXPECT_FALSE(removal.Error.empty());
  EXPECT_TRUE(Has(HKEY_LOCAL_MACHINE, Name));
}

}  // namespace
