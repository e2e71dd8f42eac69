// The suite still running from the target folder: the stand-in of its main program, started from an
// earlier installation, holds its file. Nothing is copied over it or removed under it: the wizard names it
// in a box with "Повторить" and "Отмена", runs without a window end with exit 5.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "WizardFixture.h"

using namespace e2e;

namespace {

const wchar_t NotStarted[] = L"Установка не начата";

class RunningSuite : public Wizard {
 protected:
  // The wizard is started by the test that wants it: one setup program at a time.
  void SetUp() override {
    SampleDistribution::SetUp();
    Target = Work + L"Установленный комплекс\\";
    // The earlier installation, without a window, and its main program started from it, as the link does.
    Program earlier(Dist + L"Install.exe", Elsewhere, L"/VERYSILENT /NODRIVER /DIR=\"" + Target + L"\"");
    ASSERT_TRUE(earlier.WaitForExit(120s));
    ASSERT_EQ(earlier.ExitCode(), 0u);
    Suite = std::make_unique<Program>(Target + L"Vidoze.exe", Target);
    ASSERT_NE(Suite->WaitForMessageBox(), nullptr) << "the main program's stand-in did not start";
    Named = L"Из папки установки запущены программы: \"" + Target + L"Vidoze.exe\"";
  }
  void TearDown() override {
    Suite.reset();
    Wizard::TearDown();
  }
  std::wstring Target, Named;
  std::unique_ptr<Program> Suite;
};

TEST_F(RunningSuite, UnattendedInstallationAndUninstallEndWithFiveAndNameIt) {
  const long long installedAt = WriteTime(Target + L"udf\\Olvexa.Dll");
  const std::wstring log = Work + L"журнал.log";
  Program again(Dist + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + Target + L"\" /LOG=\"" + log + L"\"");
  ASSERT_TRUE(again.WaitForExit(120s));
  EXPECT_EQ(again.ExitCode(), 5u);
  const std::vector<std::wstring> lines = LastRunLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), Named + L". " + NotStarted);
  EXPECT_EQ(WriteTime(Target + L"udf\\Olvexa.Dll"), installedAt) << "nothing was copied";
  EXPECT_FALSE(FileExists(Target + L"FTDIDriverInstall\\FTDIDriverInstall.record")) << "the driver installer ran";

  const std::wstring uninstallLog = Work + L"удаление.log";
  Program uninstall(MachineUninstaller(), Elsewhere,
                    L"/UNINSTALL /VERYSILENT /DIR=\"" + Target + L"\" /LOG=\"" + uninstallLog + L"\"");
  ASSERT_TRUE(uninstall.WaitForExit(120s));
  EXPECT_EQ(uninstall.ExitCode(), 5u);
  const std::vector<std::wstring> removal = LastRunLines(uninstallLog);
  ASSERT_FALSE(removal.empty());
  EXPECT_EQ(removal.back(), Named + L". Удаление не начато, ничего не удалено");
  for (const wchar_t* kept : {L"udf\\Olvexa.Dll", L"Settings\\install-record.txt", L"Vidoze.exe"})
    EXPECT_TRUE(FileExists(Target + kept)) << Narrow(kept);
  EXPECT_TRUE(FileExists(MachineUninstaller()));
  EXPECT_TRUE(Suite->Running()) << "nothing is ended by force";
}

TEST_F(RunningSuite, TheWizardNamesItAndGoesOnOnceItIsClosed) {
  ASSERT_NO_FATAL_FAILURE(OpenWizard());
  StartInstallation(Target);
  HWND box = Setup->WaitForMessageBox(60s);
  ASSERT_NE(box, nullptr) << "no box about the running suite";
  EXPECT_EQ(MessageBoxText(box), Named + L".\n\nЗакройте их и нажмите \"Повторить\".");
  EXPECT_NE(FindVisibleByText(box, L"Повторить", L"Button"), nullptr);
  EXPECT_NE(FindVisibleByText(box, L"Отмена", L"Button"), nullptr);
  Screenshot(L"66-suite-running");
  EXPECT_FALSE(FileExists(Target + L"FTDIDriverInstall\\FTDIDriverInstall.record"));

  // "Повторить" while it still runs: the same box again.
  AnswerMessageBox(box, IDRETRY);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5s));
  box = Setup->WaitForMessageBox(30s);
  ASSERT_NE(box, nullptr) << "retried while the suite still ran, and no box";
  EXPECT_EQ(MessageBoxText(box).rfind(Named, 0), 0u);

  // Closed: the installation goes on to its driver question.
  HWND suiteBox = Suite->WaitForMessageBox();
  ASSERT_NE(suiteBox, nullptr);
  AnswerMessageBox(suiteBox, IDOK);
  ASSERT_TRUE(Suite->WaitForExit(10s));
  AnswerMessageBox(box, IDRETRY);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5s));
  EXPECT_EQ(Answer(IDNO), DriverQuestion);
  // Wine's 96 DPI is small fonts: a completed run ends on the large-font page.
  ASSERT_TRUE(WaitFor([&] { return FindVisibleByText(Main, L"Изменить настройки") != nullptr; }, 60s));
  EXPECT_GT(WriteTime(Target + L"udf\\Olvexa.Dll"), 0);
  const std::vector<std::wstring> lines = LogLines();
  EXPECT_EQ(std::find(lines.begin(), lines.end(), Named + L". " + NotStarted), lines.end());
  Press(L"Выход");
  ASSERT_TRUE(Setup->WaitForExit(10s));
  EXPECT_EQ(Setup->ExitCode(), 0u);
}

// "Отмена" ends the run before the first copy, with exit 5 and the line naming the program.
TEST_F(RunningSuite, CancelInTheWizardEndsWithFive) {
  const long long installedAt = WriteTime(Target + L"udf\\Olvexa.Dll");
  ASSERT_NO_FATAL_FAILURE(OpenWizard());
  StartInstallation(Target);
  EXPECT_EQ(Answer(IDCANCEL).rfind(Named, 0), 0u);
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<std::wstring> lines = LogLines();
    return !lines.empty() && lines.back() == Named + L". " + NotStarted;
  }));
  EXPECT_EQ(WriteTime(Target + L"udf\\Olvexa.Dll"), installedAt) << "nothing was copied";
  PostMessageW(Main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Setup->WaitForExit(10s));
  EXPECT_EQ(Setup->ExitCode(), 5u);
}

}  // namespace
