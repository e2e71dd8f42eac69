// The driver stage against a recording context: a distribution with the stand-in installer and a target
// in temporary folders with Cyrillic names and blanks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverInstallerStandin.h"
#include "DriverStage.h"
#include "FileOps.h"
#include "RecordingContext.h"

namespace {

const std::wstring Question = L"Подключите интерфейсный блок и нажмите \"Yes\"?";
const std::wstring Started = L"Началась установка драйверов устройства...";
const std::wstring Finished = L"Установка драйверов устройства завершена";

class DriverStage : public ::testing::Test {
 protected:
  TTempFolder Temp;
  TInstallPlan Plan;
  std::wstring Decoy;

  void SetUp() override {
    Plan.Source = Temp.Path() + L"Дистрибутив\\";
    // A blank in the target: an unquoted command line would start the decoy in front of it.
    Plan.Target = Temp.Path() + L"Целевая папка\\";
    Decoy = Temp.Path() + L"Целевая.exe";
    CreateFolder(Plan.Source);
    CreateFolder(Plan.Target);
    PlantInstaller(Decoy);
  }
  void AddInstallerToSource() {
    CreateFolder(Plan.Source + L"FTDIDriverInstall");
    PlantInstaller(Plan.Source + L"FTDIDriverInstall\\FTDIDriverInstall.exe");
    WriteFileBytes(Plan.Source + L"FTDIDriverInstall\\ftdibus.inf", "[Version]");
  }
  std::wstring Installed() const { return Plan.Target + L"FTDIDriverInstall\\FTDIDriverInstall.exe"; }
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

TEST_F(DriverStage, YesWithoutTheInstallerFolderWritesBothNoticesAndGoesOn) {
  TRecordingContext context;
  context.Answers = {true};

  EXPECT_NO_THROW(InstallDriver(context, Plan));
  EXPECT_EQ(context.Questions, std::vector<std::wstring>{Question});
  EXPECT_EQ(context.Lines, (std::vector<std::wstring>{Started, Finished}));
  EXPECT_EQ(context.Events, (std::vector<std::wstring>{L"line " + Started, L"repaint", L"line " + Finished}));
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
  EXPECT_EQ(context.Lines, (std::vector<std::wstring>{Started, Finished}));
  EXPECT_EQ(context.Events, (std::vector<std::wstring>{L"line " + Started, L"repaint", L"line " + Finished}));
  // Started before the first notice is written and waited for before the second.
  EXPECT_EQ(runsAtLine, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(ReadFileBytes(Plan.Target + L"FTDIDriverInstall\\ftdibus.inf"), "[Version]");

  const auto runs = RunsOf(Installed());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].Program, Installed());
  EXPECT_EQ(runs[0].CommandLine, L"\"" + Installed() + L"\"");
  EXPECT_EQ(runs[0].UseShowWindow, 1);
  EXPECT_EQ(runs[0].ShowWindow, SW_HIDE);
  EXPECT_EQ(runs[0].CurrentFolder, CurrentFolderNow());
  EXPECT_TRUE(RunsOf(Decoy).empty());
}
