// The operator's walk through the wizard, on the real program started from a copy of the sample
// distribution lying in a folder with Cyrillic letters and blanks in its name.
#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>

#include "Driver.h"
#include "E2eSupport.h"
#include "WizardFixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

TEST_F(Wizard, WalksEveryPageForwardAndBackThenCancels) {
  // The task bar shows the application's title.
  HWND application = Setup->WaitForWindowByClass(L"TApplication");
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(WindowText(application), L"Установка комплекса \"Ритмон-Vidoze\"");

  // Welcome page.
  EXPECT_TRUE(PageShows(L"Добро пожаловать в программу установки комплекса "));
  EXPECT_TRUE(PageShows(L"\"РИТМОН-ХОЛТЕР\"!"));
  Screenshot(L"01-welcome");
  Press(L"Далее");

  // Target-folder page with its default.
  ASSERT_TRUE(PageShows(L"Пожалуйста, задайте путь куда устанавливать программную часть "));
  HWND path = PathBox();
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(WindowText(path), L"C:\\Zuzavo");
  EXPECT_TRUE(WaitFor([&] { return Focused() == path; }, 5s)) << "the focus is not in the folder box";
  Screenshot(L"02-path");

  SetText(path, L"   ");
  Press(L"Далее");
  EXPECT_EQ(Answer(IDOK, L"03-path-empty-error"), L"Не выбран путь для установки программы!");
  EXPECT_TRUE(PageShows(L"Пожалуйста, задайте путь"));
  EXPECT_TRUE(WaitFor([&] { return Focused() == path; }, 5s));

  SetText(path, L"C:");
  Press(L"Далее");
  EXPECT_EQ(Answer(IDOK, L"04-path-root-warning"), L"Программу нелзя устанавливать в корневой каталог!");
  EXPECT_EQ(WindowText(path), L"C:\\");

  const std::wstring target = Work + L"Целевая папка";
  SetText(path, L"  " + target + L"  ");
  Press(L"Далее");
  EXPECT_EQ(AcknowledgeNotice(L"05-driver-notice"), Notice);
  EXPECT_EQ(WindowText(path), target + L"\\");
  EXPECT_TRUE(FolderExists(target + L"\\Settings"));

  // Components page; back and forward shows the notice again.
  ASSERT_TRUE(PageShows(L"Все настройки можно изменить позже"));
  HWND driver = FindVisibleByText(Main, L"Устанавливать драйвер");
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(SendMessageW(driver, BM_GETCHECK, 0, 0), BST_CHECKED);
  Screenshot(L"06-components");
  Press(L"Назад");
  ASSERT_TRUE(PageShows(L"Пожалуйста, задайте путь"));
  Press(L"Далее");
  EXPECT_EQ(AcknowledgeNotice(), Notice);
  ASSERT_TRUE(PageShows(L"Все настройки можно изменить позже"));

  // Cancel: No keeps the page, Yes leads to the cancelled page.
  Press(L"Отмена");
  EXPECT_EQ(Answer(IDNO, L"07-cancel-question"), L"Вы уверены, что хотите отменить процесс установки?");
  EXPECT_TRUE(PageShows(L"Все настройки можно изменить позже"));
  Press(L"Отмена");
  EXPECT_EQ(Answer(IDYES), L"Вы уверены, что хотите отменить процесс установки?");
  ASSERT_TRUE(PageShows(L"Установка комплекса \"Ритмон-Vidoze\" отменена!"));
  Screenshot(L"08-cancelled");

  Press(L"Выход");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

TEST_F(Wizard, RelativeTargetResolvesAgainstTheProgramsOwnFolder) {
  Press(L"Далее");
  HWND path = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (path = PathBox()) != nullptr; }));
  SetText(path, L"Относительная папка");
  Press(L"Далее");
  AcknowledgeNotice();
  EXPECT_EQ(WindowText(path), L"Относительная папка\\");
  EXPECT_TRUE(FolderExists(Dist + L"Относительная папка\\Settings"));
  EXPECT_FALSE(FolderExists(Elsewhere + L"Относительная папка"));
}

TEST_F(Wizard, MissingParentCreatesNothingButGoesOn) {
  Press(L"Далее");
  HWND path = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (path = PathBox()) != nullptr; }));
  const std::wstring target = Work + L"нет такой\\папки";
  SetText(path, target);
  Press(L"Далее");
  AcknowledgeNotice();
  EXPECT_TRUE(PageShows(L"Все настройки можно изменить позже"));
  EXPECT_FALSE(FolderExists(Work + L"нет такой"));
}

TEST_F(Wizard, ARunEndedByAnErrorLeavesExitDisabledAndTheCloseBoxWorking) {
  // A distribution made before checksum lists: nothing finds the missing file before its copy.
  DropChecksumList(Dist);
  DeleteFileW((Dist + L"Firebird\\gbak.exe").c_str());
  const std::wstring target = Work + L"Цель\\";
  StartInstallation(target);
  const std::wstring error = Answer(IDOK, L"12-runtime-missing-error");
  EXPECT_EQ(error.rfind(L"Cannot open file \"" + Dist + L"Firebird\\gbak.exe\". ", 0), 0u) << Narrow(error);
  const std::vector<std::wstring> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"Копирование файла gbak.exe....") << "the running line keeps no outcome word";
  HWND exitButton = FindVisibleByText(Main, L"Выход");
  ASSERT_NE(exitButton, nullptr);
  EXPECT_FALSE(IsWindowEnabled(exitButton));
  EXPECT_TRUE(FileExists(target + L"firebird.msg"));
  EXPECT_FALSE(FileExists(target + L"gbak.exe"));
  EXPECT_NE(ReadText(target + L"Settings\\install.log").find(error), std::wstring::npos)
      << "the log file keeps the error shown";
  // The close box works again once the run has ended.
  PostMessageW(Main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

TEST_F(Wizard, InstallsTheSampleDistributionAndKeepsTheDatabaseOnReinstall) {
  const std::wstring target = Work + L"Программы клиники\\";
  StartInstallation(target);
  EXPECT_EQ(Answer(IDYES, L"10-driver-question"), DriverQuestion);
  // Wine's screen has 96 DPI: small fonts, so the run ends on the large-font page without a question.
  ASSERT_TRUE(WaitFor([&] { return PageText().find(L"\"мелкого\" размера шрифта.") != std::wstring::npos; }, 30s))
      << "the large-font page did not come";
  const std::vector<std::wstring> expected = CompletedLog();
  EXPECT_EQ(LogLines(), expected);
  Screenshot(L"10-installed-log-and-font-page");

  // The driver installer ran hidden from the target, started by its quoted path.
  const std::wstring record = ReadText(target + L"FTDIDriverInstall\\FTDIDriverInstall.record");
  EXPECT_NE(record.find(L"CommandLine=\"" + target + L"FTDIDriverInstall\\FTDIDriverInstall.exe\""), std::wstring::npos)
      << Narrow(record);
  EXPECT_NE(record.find(L"ShowWindow=0"), std::wstring::npos);
  ExpectInstalledTree(target);

  // The page's exit ends the program.
  Press(L"Выход");
  EXPECT_TRUE(Setup->WaitForExit(10s));

  // A second installation over the first keeps the clinic's database; on a large-font screen it ends
  // with the final question over the finished log.
  WriteBytes(target + L"DTAfb\\R12.FDB", "patients");
  const ScopedScreenDpi largeFonts(120);
  ASSERT_NO_FATAL_FAILURE(OpenWizard());
  StartInstallation(target);
  EXPECT_EQ(Answer(IDNO), DriverQuestion) << "No skips the driver";
  HWND question = Setup->WaitForMessageBox(30s);
  ASSERT_NE(question, nullptr) << "no final question";
  EXPECT_EQ(MessageBoxText(question), L"Установка завершена. Выйти из программы установки?");
  Screenshot(L"11-installed-log-and-final-question");
  AnswerMessageBox(question, IDNO);
  const std::vector<std::wstring> again = LogLines();
  ASSERT_GE(again.size(), 3u);
  EXPECT_EQ(again[0], L"Проверка дистрибутива...");
  EXPECT_EQ(again[2], L"Файл базы данных R12.FDB уже есть: он сохранён без изменений");
  EXPECT_EQ(again.size(), 3u + 23u);
  EXPECT_EQ(ReadBytes(target + L"DTAfb\\R12.FDB"), "patients");
  // No keeps the progress page, where the exit button now works.
  HWND exitButton = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (exitButton = FindVisibleByText(Main, L"Выход")) != nullptr; }));
  EXPECT_TRUE(IsWindowEnabled(exitButton));
  Click(exitButton);
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

// An installation, then one from a newer distribution through the wizard: the newer driver package
// replaces the content of the earlier one's folder, sub-folder included, the newer installer is the one
// that runs, and no box comes after the driver question (the shell's folder copy asked whether to replace).
TEST_F(Wizard, NewerDistributionBringsItsDriverWithoutFurtherQuestions) {
  // The fixture's program waits: the earlier installation comes first, from a copy of this distribution.
  Setup.reset();
  const std::wstring target = Work + L"Программы клиники\\";
  const std::wstring older = Work + L"Прежний дистрибутив\\";
  CopyTree(Dist, older);
  {
    Program first(older + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + target + L"\"");
    ASSERT_TRUE(first.WaitForExit(90s));
    ASSERT_EQ(first.ExitCode(), 0u);
  }
  MakeNewerDriver(Dist);
  ASSERT_NO_FATAL_FAILURE(OpenWizard());
  StartInstallation(target);
  EXPECT_EQ(Answer(IDYES), DriverQuestion);
  bool anotherBox = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (HWND w : Setup->TopWindows()) anotherBox = anotherBox || ClassName(w) == L"#32770";
        return PageText().find(L"\"мелкого\" размера шрифта.") != std::wstring::npos;
      },
      60s))
      << "the run did not end on the large-font page";
  EXPECT_FALSE(anotherBox);

  const std::wstring folder = target + L"FTDIDriverInstall\\";
  EXPECT_EQ(RecordedInstallerSizes(folder + L"FTDIDriverInstall.record"),
            (std::vector<long long>{FileSize(older + L"FTDIDriverInstall\\FTDIDriverInstall.exe"),
                                    FileSize(Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe")}));
  EXPECT_EQ(ReadBytes(folder + L"amd64\\ftdibus.sys"), "64-bit driver");
  EXPECT_FALSE(FolderExists(folder + L"FTDIDriverInstall")) << "nested";
  const std::vector<std::wstring> lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::vector<std::wstring>(lines.end() - 2, lines.end()),
            (std::vector<std::wstring>{L"Началась установка драйверов устройства...",
                                       L"Установка драйверов устройства завершена"}));
  Press(L"Выход");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

// Through the wizard from a distribution without a driver installer: the notice says so on the log page,
// which keeps no claim that a driver installation started or ended.
TEST_F(Wizard, DistributionWithoutADriverInstallerSaysSoOnTheLogPage) {
  DeleteFileW((Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe").c_str());
  RewriteChecksumList(Dist);
  // Large fonts: the run ends with the final question over the log, not on the large-font page.
  RestartWithLargeFonts();
  const std::wstring target = Work + L"Клиника\\";
  StartInstallation(target);
  EXPECT_EQ(Answer(IDYES), DriverQuestion);
  HWND question = Setup->WaitForMessageBox(30s);
  ASSERT_NE(question, nullptr) << "no final question";
  EXPECT_EQ(MessageBoxText(question), L"Установка завершена. Выйти из программы установки?");
  AnswerMessageBox(question, IDNO);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }, 5s));
  Screenshot(L"17-log-without-driver-installer");
  const std::vector<std::wstring> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"Драйвер устройства не установлен: нет программы установки \"" + target +
                              L"FTDIDriverInstall\\FTDIDriverInstall.exe\"");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L"Установка драйверов устройства завершена"), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L"Началась установка драйверов устройства..."), 0);
  // The notice is wider than the log: the operator scrolls sideways to read the installer's path.
  HWND log = FindChildByClass(Main, L"ListBox");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(GetWindowLongW(log, GWL_STYLE) & WS_HSCROLL) << "no horizontal scroll bar";
  RECT client{};
  GetClientRect(log, &client);
  EXPECT_GT(SendMessageW(log, LB_GETHORIZONTALEXTENT, 0, 0), client.right);
  // Wine keeps a scroll bar's position in its own process: the screenshot shows where it went.
  SendMessageW(log, WM_HSCROLL, SB_RIGHT, 0);
  Screenshot(L"18-log-notice-scrolled-to-its-end");
  Press(L"Выход");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

// The information pane: its first line at the top and its last character inside the pane.
void ExpectWholeInformationText(HWND Main, const std::string& Where) {
  HWND pane = nullptr;
  for (HWND w : VisibleChildren(Main))
    if (ClassName(w).rfind(L"RichEdit", 0) == 0 || ClassName(w).rfind(L"RICHEDIT", 0) == 0) pane = w;
  ASSERT_NE(pane, nullptr) << Where;
  EXPECT_EQ(SendMessageW(pane, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << Where << ": the first line is scrolled away";
  const LRESULT length = SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0);
  ASSERT_GT(length, 100) << Where;
  const LRESULT last = SendMessageW(pane, EM_POSFROMCHAR, static_cast<WPARAM>(length - 1), 0);
  RECT client{};
  GetClientRect(pane, &client);
  const int y = static_cast<short>(HIWORD(last));
  EXPECT_GE(y, 0) << Where;
  EXPECT_LT(y + 12, client.bottom) << Where << ": the last section is cut off";
}

TEST_F(Wizard, InformationPaneShowsItsWholeTextAtSmallAndLargeFonts) {
  ExpectWholeInformationText(Main, "96 DPI");
  Screenshot(L"13-welcome-96dpi");
  RestartWithLargeFonts();
  ASSERT_TRUE(PageShows(L"Добро пожаловать"));
  ExpectWholeInformationText(Main, "120 DPI");
  // The main window keeps its layout: the same client size as at 96 DPI.
  RECT client{};
  GetClientRect(Main, &client);
  EXPECT_EQ(client.right, 954);
  EXPECT_EQ(client.bottom, 579);
  Screenshot(L"14-welcome-120dpi");
  Press(L"Далее");
  HWND path = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (path = PathBox()) != nullptr; }));
  SetText(path, Work + L"Цель");
  Press(L"Далее");
  EXPECT_EQ(AcknowledgeNotice(L"15-driver-notice-120dpi"), Notice);
  Press(L"Отмена");
  EXPECT_EQ(Answer(IDNO, L"16-cancel-question-120dpi"), L"Вы уверены, что хотите отменить процесс установки?");
}

TEST_F(Wizard, CancelFromTheWelcomePageAndCloseBox) {
  Press(L"Отмена");
  EXPECT_EQ(Answer(IDYES), L"Вы уверены, что хотите отменить процесс установки?");
  ASSERT_TRUE(PageShows(L"Нажмите кнопку \"Выход\", для выхода из программы установки."));
  PostMessageW(Main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

}  // namespace
