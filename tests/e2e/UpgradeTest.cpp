// The real Install.exe over an earlier installation and from a distribution without a driver installer,
// as a deployment tool runs it: the newer driver package replaces the earlier one's content (no folder
// nested in it, no window or question at any moment), and the log says only what happened.
#include <gtest/gtest.h>

#include <algorithm>

#include "Driver.h"
#include "E2eSupport.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t Started[] = L"Началась установка драйверов устройства...";
const wchar_t Finished[] = L"Установка драйверов устройства завершена";

class Upgrade : public SampleDistribution {
 protected:
  // Runs the Install.exe of Distribution without any window into Target; no window may show at any moment.
  void RunVerySilent(const std::wstring& Distribution, const std::wstring& Target) {
    Program setup(Distribution + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + Target + L"\"");
    size_t windowsSeen = 0;
    const auto start = std::chrono::steady_clock::now();
    while (!setup.WaitForExit(20ms) && std::chrono::steady_clock::now() - start < 90s)
      windowsSeen = std::max(windowsSeen, setup.TopWindows().size());
    EXPECT_EQ(windowsSeen, 0u);
    ASSERT_FALSE(setup.Running()) << "the run did not end";
    EXPECT_EQ(setup.ExitCode(), 0u);
  }
  static bool Has(const std::vector<std::wstring>& Lines, const std::wstring& Line) {
    return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
  }
};

TEST_F(Upgrade, NewerDistributionUnattendedRunsTheNewerDriverWithoutAnyWindow) {
  const std::wstring target = Work + L"Программы клиники\\";
  RunVerySilent(Dist, target);
  const std::wstring newer = Work + L"Новый дистрибутив 8.75\\";
  CopyTree(Dist, newer);
  MakeNewerDriver(newer);
  ASSERT_NE(FileSize(newer + L"FTDIDriverInstall\\FTDIDriverInstall.exe"),
            FileSize(Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe"));

  RunVerySilent(newer, target);
  const std::wstring folder = target + L"FTDIDriverInstall\\";
  // The first installation's installer, then the newer one: the shell's copy ran the first one twice.
  EXPECT_EQ(RecordedInstallerSizes(folder + L"FTDIDriverInstall.record"),
            (std::vector<long long>{FileSize(Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe"),
                                    FileSize(newer + L"FTDIDriverInstall\\FTDIDriverInstall.exe")}));
  EXPECT_EQ(ReadBytes(folder + L"FTDIDriverInstall.exe"), ReadBytes(newer + L"FTDIDriverInstall\\FTDIDriverInstall.exe"));
  EXPECT_EQ(ReadBytes(folder + L"amd64\\ftdibus.sys"), "64-bit driver");
  EXPECT_FALSE(FolderExists(folder + L"FTDIDriverInstall")) << "nested";
  const std::vector<std::wstring> lines = LastRunLines(target + L"Settings\\install.log");
  EXPECT_TRUE(Has(lines, Started));
  EXPECT_TRUE(Has(lines, Finished));
}

// Nothing to run: the installation completes, and its log says the driver was not installed instead of
// that its installation started or ended.
TEST_F(Upgrade, DistributionWithoutADriverInstallerCompletesAndSaysSo) {
  DeleteFileW((Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe").c_str());
  RemoveDirectoryW((Dist + L"FTDIDriverInstall").c_str());
  ASSERT_FALSE(FolderExists(Dist + L"FTDIDriverInstall"));
  const std::wstring target = Work + L"Без установщика драйвера\\";
  RunVerySilent(Dist, target);
  EXPECT_TRUE(FileExists(target + L"udf\\Olvexa.Dll"));
  EXPECT_TRUE(FileExists(target + L"Vidoze.exe")) << "the stages after the driver ran";
  const std::vector<std::wstring> lines = LastRunLines(target + L"Settings\\install.log");
  EXPECT_FALSE(Has(lines, Started));
  EXPECT_FALSE(Has(lines, Finished));
  EXPECT_TRUE(Has(lines, L"Драйвер устройства не установлен: нет программы установки \"" + target +
                             L"FTDIDriverInstall\\FTDIDriverInstall.exe\""));
}

// Wine runs every program with administrator rights. A user of the PC plants a newer release level in
// the target's "backup" and replaces the earlier installation's driver installer; the next installation,
// from a distribution without a driver installer, runs neither (each would leave its record), records the
// planted level as the newest all the same, and says so in the log.
TEST_F(Upgrade, AReinstallRunsNoPlantedProgramWithAdministratorRights) {
  const std::wstring target = Work + L"Папка, куда пишут все\\";
  RunVerySilent(Dist, target);
  const std::wstring record = target + L"FTDIDriverInstall\\FTDIDriverInstall.record";
  const std::vector<long long> runsBefore = RecordedInstallerSizes(record);
  ASSERT_EQ(runsBefore.size(), 1u);
  const std::wstring installer = target + L"FTDIDriverInstall\\FTDIDriverInstall.exe";
  WriteBytes(installer, ReadBytes(installer) + "a user's");
  const std::wstring level = target + L"backup\\L311299\\";
  CreateDirectoryW(level.c_str(), nullptr);
  WriteBytes(level + L"Install.cmd", "@echo planted> \"%~dp0planted.txt\"\r\n");
  DeleteFileW((Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe").c_str());
  RemoveDirectoryW((Dist + L"FTDIDriverInstall").c_str());

  RunVerySilent(Dist, target);
  EXPECT_EQ(RecordedInstallerSizes(record), runsBefore) << "the planted driver installer ran";
  EXPECT_FALSE(FileExists(level + L"planted.txt")) << "the planted level's script ran";
  const std::vector<std::wstring> lines = LastRunLines(target + L"Settings\\install.log");
  EXPECT_FALSE(Has(lines, Started));
  EXPECT_TRUE(Has(lines, L"Драйвер устройства не установлен: программа установки \"" + installer +
                             L"\" не запущена с правами администратора: в дистрибутиве нет такого файла (\"" + Dist +
                             L"FTDIDriverInstall\\FTDIDriverInstall.exe\")"));
  EXPECT_TRUE(Has(lines, L"Сценарий уровня выпуска \"" + level + L"Install.cmd\" не запущен с правами администратора: "
                             L"в дистрибутиве нет такого файла (\"" + Dist + L"backup\\L311299\\Install.cmd\")"));
  EXPECT_NE(ReadBytes(target + L"ReleaseInfo").find("<Level>311299</Level>"), std::string::npos);
}

}  // namespace
