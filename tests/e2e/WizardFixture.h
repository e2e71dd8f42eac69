#pragma once
// The operator's wizard on the real program, started from a copy of the sample distribution lying in a
// folder with Cyrillic letters and blanks in its name: its windows found, read, clicked and answered.
#include <gtest/gtest.h>

#include <memory>

#include "Driver.h"
#include "E2eSupport.h"

namespace e2e {

using namespace std::chrono_literals;

inline const wchar_t MainCaption[] = L"Установка комплекса";
inline const wchar_t DriverQuestion[] = L"Подключите интерфейсный блок и нажмите \"Yes\"?";

inline const wchar_t Notice[] = L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
                         L" снимите галочку установки драйвера!";

class Wizard : public SampleDistribution {
 protected:
  void SetUp() override {
    SampleDistribution::SetUp();
    OpenWizard();
  }

  // The setup program started anew from another working folder, as through a shortcut; its main window.
  void OpenWizard() {
    Setup.reset();
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere);
    Main = Setup->WaitForWindowByCaption(MainCaption);
    ASSERT_NE(Main, nullptr) << "the main window did not appear";
  }

  HWND Button(const std::wstring& Caption) {
    HWND b = FindVisibleByText(Main, Caption);
    EXPECT_NE(b, nullptr) << "no visible button " << Narrow(Caption);
    return b;
  }
  void Press(const std::wstring& Caption) {
    HWND b = Button(Caption);
    if (b) Click(b);
  }
  // The read-only texts of the visible page, joined.
  std::wstring PageText() {
    std::wstring all;
    for (HWND w : VisibleChildren(Main))
      if (ClassName(w) == L"Edit" && (GetWindowLongW(w, GWL_STYLE) & ES_READONLY)) all += WindowText(w) + L"\n";
    return all;
  }
  HWND PathBox() { return FindFolderBox(Main); }
  bool PageShows(const std::wstring& Fragment) {
    return WaitFor([&] { return PageText().find(Fragment) != std::wstring::npos; }, 10s);
  }
  // Answers the next standard message box (after a screenshot, when named) and returns its text.
  std::wstring Answer(int ButtonId, const std::wstring& Shot = L"", std::chrono::milliseconds Timeout = 15s) {
    HWND box = Setup->WaitForMessageBox(Timeout);
    if (!box) return L"<no message box>";
    const std::wstring text = MessageBoxText(box);
    if (!Shot.empty()) Screenshot(Shot);
    AnswerMessageBox(box, ButtonId);
    WaitFor([&] { return !IsWindow(box); }, 5s);
    return text;
  }
  // The driver notice in the suite's message window: closes it with OK and returns its text.
  std::wstring AcknowledgeNotice(const std::wstring& Shot = L"") {
    HWND notice = Setup->WaitForWindowByClass(L"TFMessageform");
    if (!notice) return L"<no notice>";
    std::wstring text;
    for (HWND w : VisibleChildren(notice)) {
      const std::wstring t = WindowText(w);
      if (t.find(L"Внимание!") != std::wstring::npos) text = t;
    }
    if (!Shot.empty()) Screenshot(Shot);
    HWND ok = FindVisibleByText(notice, L"OK");
    EXPECT_NE(ok, nullptr);
    if (ok) Click(ok);
    WaitFor([&] { return !IsWindow(notice) || !IsWindowVisible(notice); }, 5s);
    return text;
  }
  HWND Focused() {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(Main, nullptr), &info);
    return info.hwndFocus;
  }
  // What the installation does with the driver: as the wizard offers it (ticked), or without it.
  enum class DriverBox { AsOffered, Cleared };
  // Through the wizard to the progress page, with Target typed in the folder box and the driver notice
  // acknowledged.
  void StartInstallation(const std::wstring& Target, DriverBox Driver = DriverBox::AsOffered) {
    Press(L"Далее");
    HWND path = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (path = PathBox()) != nullptr; }));
    SetText(path, Target);
    Press(L"Далее");
    ASSERT_NE(AcknowledgeNotice(), L"<no notice>") << "no driver notice";
    ASSERT_TRUE(PageShows(L"Все настройки можно изменить позже"));
    if (Driver == DriverBox::Cleared) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitFor([&] { return (box = FindVisibleByText(Main, L"Устанавливать драйвер")) != nullptr; }));
      // A click on the box itself, as the mouse gives it: the box toggles and tells the window.
      if (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) PostMessageW(box, BM_CLICK, 0, 0);
      ASSERT_TRUE(WaitFor([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 5s));
    }
    Press(L"Начать установку");
    HWND list = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (list = FindVisibleByClass(Main, L"ListBox")) != nullptr; }));
  }
  // The files a completed installation leaves in Target, and its log file.
  void ExpectInstalledTree(const std::wstring& Target) {
    // The newest release level ran and is recorded; it brought the main program the desktop link opens.
    EXPECT_NE(ReadText(Target + L"ReleaseInfo").find(L"<Level>011226</Level>"), std::wstring::npos);
    EXPECT_TRUE(FileExists(Target + L"Vidoze.exe"));
    const ShellLink link = ReadShellLink(DesktopFolder() + L"\\Ритмон - Vidoze.lnk");
    EXPECT_EQ(link.Path, Target + L"Vidoze.exe");
    EXPECT_EQ(link.WorkingFolder, Target) << "the folder of the program, with its backslash";
    EXPECT_EQ(link.Description, L"Комплекс суточного мониторирования электрокардиограмм \"Ритмон - Vidoze\"");
    for (const Deployed& file : DeployedFiles()) {
      SCOPED_TRACE(Narrow(file.Name));
      EXPECT_EQ(ReadText(Target + file.To + file.Name), ReadText(Dist + file.From + file.Name));
      const long long apart = WriteTime(Target + file.To + file.Name) - WriteTime(Dist + file.From + file.Name);
      EXPECT_LE(apart < 0 ? -apart : apart, 20000000LL) << "the copy carries the distribution file's time";
    }
    for (const wchar_t* name : {L"uca.nsi", L"wra.nsi", L"lastnum.dta", L"rarovu.ini", L"install.log"})
      EXPECT_TRUE(FileExists(Target + L"Settings\\" + name)) << Narrow(name);
    const std::wstring log = ReadText(Target + L"Settings\\install.log");
    for (const std::wstring& line : CompletedLog()) EXPECT_NE(log.find(line + L"\r\n"), std::wstring::npos) << Narrow(line);
  }
  // The program started again on a large-font screen (for the rest of the test): a completed run ends
  // with the final question instead of the large-font page.
  void RestartWithLargeFonts() {
    Setup.reset();
    LargeFonts = std::make_unique<ScopedScreenDpi>(120);
    OpenWizard();
  }
  // From the components page: the installation without the driver, No to the final question.
  void InstallAndStayAfterTheFinalQuestion() {
    Press(L"Начать установку");
    EXPECT_EQ(Answer(IDNO), DriverQuestion);
    HWND final = Setup->WaitForMessageBox(60s);
    ASSERT_NE(final, nullptr) << "no final question";
    EXPECT_EQ(MessageBoxText(final), L"Установка завершена. Выйти из программы установки?");
    AnswerMessageBox(final, IDNO);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(final); }, 5s));
  }
  // The log list as another program reads it, also once its page is hidden.
  std::vector<std::wstring> LogLines() {
    HWND list = FindChildByClass(Main, L"ListBox");
    return list ? ListBoxLines(list) : std::vector<std::wstring>{};
  }

  std::unique_ptr<ScopedScreenDpi> LargeFonts;
  std::unique_ptr<Program> Setup;
  HWND Main = nullptr;
};

}  // namespace e2e
