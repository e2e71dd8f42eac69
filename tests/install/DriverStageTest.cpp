// The driver stage against a recording context: a distribution with the stand-in installer and a target
// in temporary folders with Cyrillic names and blanks.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DriverInstallerStandin.h"
#include "DriverStage.h"
#include "ElevationSeams.h"
#include "FileOps.h"
#include "RecordingContext.h"
#include "SystemError.h"

namespace {

const std::wstring Question = L"Подключите интерфейсный блок и нажмите \"Yes\"?";
const std::wstring Started = L"Началась установка драйверов устройства...";
const std::wstring Finished = L"Установка драйверов устройства завершена";

class DriverStage : public ::testing::Test {
 public:
  TTempFolder Temp;
  TInstallPlan Plan;
  std::wstring Decoy;

  void SetUp() override {
    // A blank in the target: an unquoted command line would start the decoy in front of it.
    UseFolders(Temp);
    Decoy = Temp.Path() + L"Целевая.exe";
    PlantInstaller(Decoy);
  }
  // A distribution and a target of their own below Folder, for one row of a table.
  void UseFolders(const TTempFolder& Folder) {
    Plan.Source = Folder.Path() + L"Дистрибутив\\";
    Plan.Target = Folder.Path() + L"Целевая папка\\";
    CreateFolder(Plan.Source);
    CreateFolder(Plan.Target);
  }
  void AddInstallerToSource() {
    CreateFolder(Plan.Source + L"FTDIDriverInstall");
    PlantInstaller(Plan.Source + L"FTDIDriverInstall\\FTDIDriverInstall.exe");
    WriteFileBytes(Plan.Source + L"FTDIDriverInstall\\ftdibus.inf", "[Version]");
  }
  std::wstring Installed() const { return Plan.Target + L"FTDIDriverInstall\\FTDIDriverInstall.exe"; }
  std::unique_ptr<THeldOpen> Held;  // a target file a running program holds
};

}  // namespace

TEST_F(DriverStage, WithoutTheBoxOrWithoutYesNothingHappens) {
  struct {
    bool DriverInstall;
    std::vector<bool> Answers;
    size_t Questions;
  } const cases[] = {{false, {true}, 0}, {true, {false}, 1}};
  AddInstallerToSource();
  // As after an earlier installation: a run would leave its record.
  CreateFolder(Plan.Target + L"FTDIDriverInstall");
  PlantInstaller(Installed());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.DriverInstall);
    TRecordingContext context;
    context.Answers = c.Answers;
    Plan.DriverInstall = c.DriverInstall;

    InstallDriver(context, Plan);
    EXPECT_EQ(context.Questions, std::vector<std::wstring>(c.Questions, Question));
    EXPECT_TRUE(context.Events.empty());
    EXPECT_FALSE(TestFileExists(Plan.Target + L"FTDIDriverInstall\\ftdibus.inf")) << "copied";
    EXPECT_TRUE(RunsOf(Installed()).empty());
    EXPECT_TRUE(RunsOf(Decoy).empty());
  }
}

// Nothing to run: the log says so, and not that an installation started or ended.
TEST_F(DriverStage, YesWithoutAnInstallerSaysSoAndGoesOn) {
  TRecordingContext context;
  context.Answers = {true};

  EXPECT_NO_THROW(InstallDriver(context, Plan));
  EXPECT_EQ(context.Questions, std::vector<std::wstring>{Question});
  const std::wstring notice = L"Драйвер устройства не установлен: нет программы установки \"" + Installed() + L"\"";
  EXPECT_EQ(context.Lines, std::vector<std::wstring>{notice});
  EXPECT_FALSE(DirectoryExists(Plan.Target + L"FTDIDriverInstall"));
  EXPECT_TRUE(RunsOf(Decoy).empty());
}

TEST_F(DriverStage, YesCopiesTheInstallerAndRunsItHiddenBetweenTheNotices) {
  AddInstallerToSource();
  // The installer's exit code is not looked at.
  const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", L"5");
  TRecordingContext context;
  context.Answers = {true};
  std::vector<size_t> runsAtLine;
  context.OnLine = [&](const std::wstring&) { runsAtLine.push_back(RunsOf(Installed()).size()); };

  InstallDriver(context, Plan);
  // The code is told, not judged: some installers count what they installed in it.
  const std::wstring code = L"Программа установки драйвера завершилась с кодом 5 (0x00000005)";
  EXPECT_EQ(context.Lines, (std::vector<std::wstring>{Started, Finished, code}));
  EXPECT_EQ(context.Events,
            (std::vector<std::wstring>{L"line " + Started, L"repaint", L"line " + Finished, L"line " + code}));
  // Started before the first notice is written and waited for before the second.
  EXPECT_EQ(runsAtLine, (std::vector<size_t>{0, 1, 1}));
  EXPECT_EQ(ReadFileBytes(Plan.Target + L"FTDIDriverInstall\\ftdibus.inf"), "[Version]");

  const auto runs = RunsOf(Installed());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].Program, Installed());
  EXPECT_EQ(runs[0].CommandLine, L"\"" + Installed() + L"\"");
  EXPECT_EQ(runs[0].UseShowWindow, 1);
  EXPECT_EQ(runs[0].ShowWindow, SW_HIDE);
  // In its own folder, not this program's current one.
  EXPECT_EQ(runs[0].CurrentFolder, Plan.Target + L"FTDIDriverInstall");
  EXPECT_NE(CurrentFolderNow(), Plan.Target + L"FTDIDriverInstall");
  EXPECT_TRUE(RunsOf(Decoy).empty());
}

// A reinstallation from a newer distribution: the earlier installation's driver folder, read-only as its
// medium left it, gets the newer files, the package's sub-folder included, and the newer installer is
// the one that runs. The shell's folder copy put the folder inside the existing one and ran the old one.
TEST_F(DriverStage, NewerDistributionReplacesTheDriverFolderContentAndRunsTheNewerInstaller) {
  const std::wstring folder = Plan.Target + L"FTDIDriverInstall\\";
  CreateFolder(folder);
  PlantInstaller(Installed(), "an older installer, longer than the newer one");
  WriteFileBytes(folder + L"ftdibus.inf", "[Old version]");
  for (const std::wstring& file : {Installed(), folder + L"ftdibus.inf"}) {
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  AddInstallerToSource();
  CreateFolder(Plan.Source + L"FTDIDriverInstall\\amd64");
  WriteFileBytes(Plan.Source + L"FTDIDriverInstall\\amd64\\ftdibus.sys", "64-bit driver");
  const long long newer = SizeOf(Plan.Source + L"FTDIDriverInstall\\FTDIDriverInstall.exe");
  ASSERT_NE(newer, SizeOf(Installed()));
  TRecordingContext context;
  context.Answers = {true};

  InstallDriver(context, Plan);
  EXPECT_EQ(context.Lines, (std::vector<std::wstring>{Started, Finished}));
  const auto runs = RunsOf(Installed());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].FileSize, newer) << "the earlier installation's installer ran";
  EXPECT_EQ(ReadFileBytes(folder + L"ftdibus.inf"), "[Version]");
  EXPECT_EQ(ReadFileBytes(folder + L"amd64\\ftdibus.sys"), "64-bit driver");
  EXPECT_FALSE(DirectoryExists(folder + L"FTDIDriverInstall")) << "nested";
}

// What did not happen is said, and the installation goes on.
TEST_F(DriverStage, EachFailureIsANoticeAndNoneClaimsTheInstallationEnded) {
  struct TCase {
    const char* Name;
    std::function<void(DriverStage&)> Arrange;
    bool RefuseForElevation;
    ProcessSeams::ShellExecuteFn Shell;
    std::function<std::vector<std::wstring>(DriverStage&)> Lines;
  };
  const TCase cases[] = {
      {"the installer is no program",
       [](DriverStage& Stage) {
         Stage.AddInstallerToSource();
         WriteFileBytes(Stage.Plan.Source + L"FTDIDriverInstall\\FTDIDriverInstall.exe", "MZ and nothing more");
       },
       false, nullptr,
       [](DriverStage& Stage) {
         // The system's words for the code Wine and Windows give a file that is not a program.
         return std::vector<std::wstring>{Started, L"Драйвер устройства не установлен: не удалось запустить \"" +
                                                       Stage.Installed() + L"\". " + SystemErrorText(ERROR_BAD_EXE_FORMAT)};
       }},
      {"the operator refuses the administrator's consent", [](DriverStage& Stage) { Stage.AddInstallerToSource(); }, true,
       ConsentRefused,
       [](DriverStage& Stage) {
         return std::vector<std::wstring>{
             Started, L"Драйвер устройства не установлен: права администратора для программы установки не даны. "
                      L"Её можно запустить позже: \"" +
                          Stage.Installed() + L"\""};
       }},
      {"a file of the package cannot be replaced",
       [](DriverStage& Stage) {
         Stage.AddInstallerToSource();
         CreateFolder(Stage.Plan.Target + L"FTDIDriverInstall");
         WriteFileBytes(Stage.Plan.Target + L"FTDIDriverInstall\\ftdibus.inf", "[Old version]");
         Stage.Held = std::make_unique<THeldOpen>(Stage.Plan.Target + L"FTDIDriverInstall\\ftdibus.inf");
       },
       false, nullptr,
       [](DriverStage& Stage) {
         const std::wstring file = Stage.Plan.Target + L"FTDIDriverInstall\\ftdibus.inf";
         const std::wstring notice = L"Файл драйвера устройства не скопирован: \"" + file + L"\". ";
         return std::vector<std::wstring>{notice, Started, Finished};
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    UseFolders(temp);
    c.Arrange(*this);
    TRecordingContext context;
    context.Answers = {true};
    {
      std::unique_ptr<TElevationRequired> uac;
      if (c.RefuseForElevation) uac = std::make_unique<TElevationRequired>(c.Shell);
      EXPECT_NO_THROW(InstallDriver(context, Plan));
    }
    Held.reset();
    const std::vector<std::wstring> expected = c.Lines(*this);
    ASSERT_EQ(context.Lines.size(), expected.size()) << ToUtf8(context.Lines.empty() ? L"" : context.Lines.back());
    for (size_t i = 0; i < expected.size(); ++i) {
      // The copy's cause is the system's words, which differ between systems: its start is compared.
      EXPECT_EQ(context.Lines[i].substr(0, expected[i].size()), expected[i]) << i;
    }
    EXPECT_EQ(std::count(context.Lines.begin(), context.Lines.end(), Finished),
              std::count(expected.begin(), expected.end(), Finished));
  }
}

// Windows refuses to start an installer that needs administrator rights from a program without them: it
// goes through the shell, whose consent prompt the setup window owns, and the installation goes on as
// after a plain start.
TEST_F(DriverStage, InstallerThatNeedsElevationRunsThroughTheShellOwnedByTheWindow) {
  AddInstallerToSource();
  const TOwnerWindow owner;
  ASSERT_NE(owner.Get(), nullptr);
  TRecordingContext context;
  context.Answers = {true};
  context.Owner = owner.Get();
  {
    const TElevationRequired uac;
    InstallDriver(context, Plan);
  }
  EXPECT_EQ(context.Lines, (std::vector<std::wstring>{Started, Finished}));
  ASSERT_EQ(ElevationLog().ShellCalls, 1);
  EXPECT_EQ(ElevationLog().Last.Owner, owner.Get());
  EXPECT_EQ(ElevationLog().Last.File, Installed());
  // The shell is told the folder too, or it chooses one itself.
  EXPECT_EQ(ElevationLog().Last.Directory, Plan.Target + L"FTDIDriverInstall");
  const auto runs = RunsOf(Installed());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].ShowWindow, SW_HIDE);
  EXPECT_EQ(runs[0].CurrentFolder, Plan.Target + L"FTDIDriverInstall");
}

// A run that may show nothing never goes to a consent prompt nobody would answer: where the shell would
// ask, the log says the driver is not installed and where its installer lies, and the run goes on; where
// the policy elevates without asking, the shell starts it as for the wizard.
TEST_F(DriverStage, ARunThatShowsNothingNeverWaitsAtAConsentPrompt) {
  struct {
    const char* Name;
    bool ShellAsks;
    int ShellCalls;
    size_t Runs;
  } const cases[] = {
      {"the shell would ask", true, 0, 0},
      {"the policy elevates without asking", false, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    UseFolders(temp);
    AddInstallerToSource();
    TRecordingContext context;
    context.Answers = {true};
    context.Prompts = false;
    const ProcessSeams::ShellAsksFn previous =
        ProcessSeams::SetShellAsksForConsent(c.ShellAsks ? +[] { return true; } : +[] { return false; });
    {
      const TElevationRequired uac;
      InstallDriver(context, Plan);
    }
    ProcessSeams::SetShellAsksForConsent(previous);
    EXPECT_EQ(ElevationLog().ShellCalls, c.ShellCalls);
    EXPECT_EQ(RunsOf(Installed()).size(), c.Runs);
    const std::vector<std::wstring> expected =
        c.ShellAsks ? std::vector<std::wstring>{Started, L"Драйвер устройства не установлен: программе установки нужны "
                                                         L"права администратора, а установка без окон не запрашивает "
                                                         L"их. Её можно запустить позже: \"" +
                                                             Installed() + L"\""}
                    : std::vector<std::wstring>{Started, Finished};
    EXPECT_EQ(context.Lines, expected);
  }
}

// A reinstallation from a distribution without a driver installer finds the earlier one in the target,
// which any user may have replaced: it is not run with administrator rights, neither by this program
// holding them nor through the consent prompt, and the log says why. A plain start without them
// changes nothing: the user could run it anyway.
TEST_F(DriverStage, TheTargetsOwnInstallerNeverRunsWithAdministratorRights) {
  struct {
    const char* Name;
    bool Administrator;
    bool NeedsConsent;  // the installer's manifest asks for administrator rights
    size_t Runs;
    bool Started;  // "Началась установка..." written
  } const cases[] = {
      {"this program holds the rights", true, false, 0, false},
      {"the installer would get them through the consent prompt", false, true, 0, true},
      {"nobody has them", false, false, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    UseFolders(temp);  // a distribution without a driver installer
    CreateFolder(Plan.Target + L"FTDIDriverInstall");
    PlantInstaller(Installed(), "a user's");
    TRecordingContext context;
    context.Answers = {true};
    {
      const TAdministratorRights rights(c.Administrator);
      std::unique_ptr<TElevationRequired> uac;
      if (c.NeedsConsent) uac = std::make_unique<TElevationRequired>();
      EXPECT_NO_THROW(InstallDriver(context, Plan));
      if (c.NeedsConsent) EXPECT_EQ(ElevationLog().ShellCalls, 0) << "went to the consent prompt";
    }
    EXPECT_EQ(RunsOf(Installed()).size(), c.Runs);
    std::vector<std::wstring> expected;
    if (c.Started) expected.push_back(Started);
    if (c.Runs == 0) {
      expected.push_back(L"Драйвер устройства не установлен: программа установки \"" + Installed() +
                         L"\" не запущена с правами администратора: в дистрибутиве нет такого файла (\"" + Plan.Source +
                         L"FTDIDriverInstall\\FTDIDriverInstall.exe\")");
    } else {
      expected.push_back(Finished);
    }
    EXPECT_EQ(context.Lines, expected);
  }
}
