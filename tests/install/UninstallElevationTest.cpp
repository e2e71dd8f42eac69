// The uninstall of a machine-wide installation asks for administrator rights before it removes
// anything. Wine runs every program as a full administrator and its shell never asks: the rights and the
// operator's answer to the consent prompt come from the seams, and the shell, once consent is given,
// really starts the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "DriverInstallerStandin.h"
#include "ElevationSeams.h"
#include "InstallTestFiles.h"
#include "UninstallElevation.h"
#include "UninstallEntry.h"

namespace {

class UninstallElevation : public ::testing::Test {
 public:
  void SetUp() override {
    EntryName = L"ПроверкаПрав-" + std::to_wstring(GetCurrentProcessId());
    Target = Temp.Path() + L"Папка установки\\";
    CreateFolder(Target);
  }
  void TearDown() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyW(root, (UninstallKeyPath + EntryName).c_str());
  }
  void Register(HKEY Root, const std::wstring& Folder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(Root, (UninstallKeyPath + EntryName).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(Folder.c_str()),
                   static_cast<DWORD>((Folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

  TTempFolder Temp;
  std::wstring EntryName, Target;
};

TEST_F(UninstallElevation, OnlyAMachineWideEntryWithoutRightsAsks) {
  struct TCase {
    const char* Name;
    HKEY Root;           // nullptr: no entry
    bool OtherFolder;    // the entry belongs to another folder
    bool Rights;
    bool Asks;
  };
  const std::vector<TCase> cases = {
      {"machine-wide, no rights", HKEY_LOCAL_MACHINE, false, false, true},
      {"machine-wide, rights", HKEY_LOCAL_MACHINE, false, true, false},
      {"per-user, no rights", HKEY_CURRENT_USER, false, false, false},
      {"machine-wide for another folder", HKEY_LOCAL_MACHINE, true, false, false},
      {"no entry", nullptr, false, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TearDown();
    if (c.Root) Register(c.Root, c.OtherFolder ? Temp.Path() + L"Другая" : Target.substr(0, Target.size() - 1));
    const TAdministratorRights rights(c.Rights);
    EXPECT_EQ(UninstallNeedsAdministrator(EntryName, Target), c.Asks);
  }
}

// No to the consent prompt: exit 2, and the program never started; Yes: the program runs through the
// shell's "runas" with the same parameters, and its exit code is the run's.
TEST_F(UninstallElevation, TheConsentPromptDecidesWhetherTheProgramRuns) {
  const std::wstring program = Temp.Path() + L"Программа удаления.exe";
  PlantInstaller(program);
  const std::wstring parameters = L"/UNINSTALL /DIR=\"" + Target.substr(0, Target.size() - 1) + L"\"";
  const TOwnerWindow owner;
  {
    const TElevationRequired refused(ConsentRefused);
    std::wstring error;
    EXPECT_EQ(RunAsAdministrator(program, parameters, owner.Get(), nullptr, error), ecCancelled);
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(ElevationLog().ShellCalls, 1);
    EXPECT_EQ(ElevationLog().Last.Verb, L"runas");
    EXPECT_EQ(ElevationLog().Last.File, program);
    EXPECT_EQ(ElevationLog().Last.Parameters, parameters);
    EXPECT_EQ(ElevationLog().Last.Owner, owner.Get());
    EXPECT_TRUE(RunsOf(program).empty()) << "refused: nothing ran";
  }
  {
    const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", L"4");
    const TElevationRequired given(ConsentGiven);
    std::wstring error;
    EXPECT_EQ(RunAsAdministrator(program, parameters, owner.Get(), nullptr, error), 4) << ::testing::PrintToString(error);
    const std::vector<TStandinRecord> runs = RunsOf(program);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NE(runs[0].CommandLine.find(parameters), std::wstring::npos) << ::testing::PrintToString(runs[0].CommandLine);
  }
}

TEST_F(UninstallElevation, AProgramThatCannotStartIsAnErrorNotARefusal) {
  const TElevationRequired given(ConsentGiven);
  std::wstring error;
  EXPECT_EQ(RunAsAdministrator(Temp.Path() + L"нет такой.exe", L"/UNINSTALL", nullptr, nullptr, error), -1);
  EXPECT_NE(error.find(L"Не удалось запустить удаление с правами администратора: "), std::wstring::npos);
}

}  // namespace
