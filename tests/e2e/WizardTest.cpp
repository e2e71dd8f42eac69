// The operator's walk through the wizard, on the real program started from a copy of the sample
// distribution lying in a folder with Cyrillic letters and blanks in its name.
#include <gtest/gtest.h>

#include "Driver.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t MainCaption[] = L"Установка комплекса";

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    Work = TempFolder(L"Рабочая папка");
    Dist = Work + L"Дистрибутив 8.74\\";
    CopyTree(UnixToWindowsPath(DIST_UNIX_DIR) + L"\\", Dist);
    Elsewhere = Work + L"elsewhere\\";
    CreateDirectoryW(Elsewhere.c_str(), nullptr);
    // Started from another working folder, as through a shortcut.
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
  HWND PathBox() {
    for (HWND w : VisibleChildren(Main))
      if (ClassName(w) == L"Edit" && !(GetWindowLongW(w, GWL_STYLE) & ES_READONLY)) return w;
    return nullptr;
  }
  bool PageShows(const std::wstring& Fragment) {
    return WaitFor([&] { return PageText().find(Fragment) != std::wstring::npos; }, 10s);
  }
  // Answers the next standard message box and returns its text.
  std::wstring Answer(int ButtonId, const std::wstring& Shot = L"") {
    HWND box = Setup->WaitForMessageBox();
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
  static std::string Narrow(const std::wstring& w) {
    std::string s(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), static_cast<int>(s.size()), nullptr, nullptr);
    s.pop_back();
    return s;
  }

  std::wstring Work, Dist, Elsewhere;
  std::unique_ptr<Program> Setup;
  HWND Main = nullptr;
};

const wchar_t Notice[] = L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
                         L" снимите галочку установки драйвера!";

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

TEST_F(Wizard, StartLeadsToTheProgressPageWhoseExitStaysDisabled) {
  Press(L"Далее");
  HWND path = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (path = PathBox()) != nullptr; }));
  SetText(path, Work + L"Цель");
  Press(L"Далее");
  AcknowledgeNotice();
  Press(L"Начать установку");
  HWND exitButton = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (exitButton = FindVisibleByText(Main, L"Выход")) != nullptr; }));
  EXPECT_FALSE(IsWindowEnabled(exitButton));
  Screenshot(L"09-progress");

  // The close box works again once no installation is running.
  PostMessageW(Main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

TEST_F(Wizard, CancelFromTheWelcomePageAndCloseBox) {
  Press(L"Отмена");
  EXPECT_EQ(Answer(IDYES), L"Вы уверены, что хотите отменить процесс установки?");
  ASSERT_TRUE(PageShows(L"Нажмите кнопку \"Выход\", для выхода из программы установки."));
  PostMessageW(Main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

}  // namespace
