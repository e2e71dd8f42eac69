// The wizard without a mouse: real keystrokes on the X keyboard (Enter, Esc, Tab, Alt plus the
// underlined letter), what a screen reader reads of each page, and the pages in high contrast.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "Driver.h"
#include "E2eSupport.h"
#include "Keyboard.h"
#include "WizardFixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t CancelQuestion[] = L"Вы уверены, что хотите отменить процесс установки?";
const wchar_t FinalQuestion[] = L"Установка завершена. Выйти из программы установки?";
const wchar_t WelcomeText[] = L"Добро пожаловать";
const wchar_t PathText[] = L"Пожалуйста, задайте путь";
const wchar_t ComponentsText[] = L"Все настройки можно изменить позже";
const wchar_t CancelledText[] = L"отменена!";
const wchar_t FolderBox[] = L"<папка>";

class KeyboardWizard : public Wizard {
 protected:
  void SetUp() override {
    Wizard::SetUp();
    ASSERT_TRUE(Keys.Problem().empty()) << Keys.Problem();
  }
  // Keys for the program's active window: its box or notice while one is open, else the main window.
  void Type(const std::string& Key) {
    HWND target = Main;
    for (HWND w : Setup->TopWindows())
      if (ClassName(w) == L"#32770" || ClassName(w) == L"TFMessageform") target = w;
    // As an operator waits for the window to come back after a box: its focus is in it again.
    if (target == Main) {
      EXPECT_TRUE(WaitFor([&] { return IsChild(Main, Focused()) != FALSE; }, 5s)) << "no focus";
    }
    EXPECT_TRUE(Keys.Press(Key, target)) << Keys.Problem();
  }
  // The focused control as the operator reads it: a caption without its ampersand, the folder box by name.
  std::wstring FocusedText() {
    HWND focus = Focused();
    if (!focus) return L"<нет фокуса>";
    if (focus == PathBox()) return FolderBox;
    return WithoutAccessKey(WindowText(focus));
  }
  bool FocusIs(const std::wstring& Text) {
    return WaitFor([&] { return FocusedText() == Text; }, 5s);
  }
  // The next standard message box: its text, after Key answered it.
  std::wstring AnswerByKey(const std::string& Key, std::chrono::milliseconds Timeout = 15s) {
    HWND box = Setup->WaitForMessageBox(Timeout);
    if (!box) return L"<no message box>";
    const std::wstring text = MessageBoxText(box);
    Type(Key);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s)) << Key << " left the box open";
    return text;
  }
  // The driver notice, closed by Key.
  void CloseNoticeByKey(const std::string& Key) {
    HWND notice = Setup->WaitForWindowByClass(L"TFMessageform");
    ASSERT_NE(notice, nullptr) << "no driver notice";
    Type(Key);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(notice) || !IsWindowVisible(notice); }, 5s))
        << Key << " did not close the driver notice";
  }
  // From the welcome page to the components page with Target in the folder box, by Enter.
  void ToComponentsPage(const std::wstring& Target) {
    Type("Return");
    ASSERT_TRUE(PageShows(PathText));
    ASSERT_TRUE(FocusIs(FolderBox));
    SetText(PathBox(), Target);
    Type("Return");
    CloseNoticeByKey("Return");
    ASSERT_TRUE(PageShows(ComponentsText));
  }

  Keyboard Keys;
};

// The access keys of the page shown: every button and check box has one, and no two share it.
void ExpectUniqueAccessKeys(HWND Main, const std::string& Page) {
  std::map<wchar_t, std::wstring> keys;
  for (HWND w : VisibleChildren(Main)) {
    if (ClassName(w) != L"Button") continue;
    const std::wstring caption = WindowText(w);
    const size_t amp = caption.find(L'&');
    ASSERT_TRUE(amp != std::wstring::npos && amp + 1 < caption.size()) << Page << ": no access key in " << Narrow(caption);
    wchar_t key[2] = {caption[amp + 1], L'\0'};
    CharUpperBuffW(key, 1);
    EXPECT_TRUE(keys.emplace(key[0], caption).second)
        << Page << ": " << Narrow(caption) << " and " << Narrow(keys[key[0]]) << " share their access key";
  }
}

// A whole installation by Enter: the same log and the same files as the mouse's, each new log line told
// to screen readers, Esc answering No to the final question, and Enter on the enabled exit at the end.
TEST_F(KeyboardWizard, InstallsByEnterAloneAsByMouse) {
  RestartWithLargeFonts();
  ASSERT_TRUE(PageShows(WelcomeText));
  EXPECT_TRUE(FocusIs(L"Далее")) << Narrow(FocusedText());
  Screenshot(L"80-keyboard-welcome-focus-on-next");
  Type("Return");
  ASSERT_TRUE(PageShows(PathText));
  HWND path = PathBox();
  ASSERT_NE(path, nullptr);
  EXPECT_TRUE(FocusIs(FolderBox));
  DWORD from = 1, to = 0;
  SendMessageW(path, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, static_cast<DWORD>(WindowText(path).size())) << "the folder box's text is not selected";
  // The folder comes through the box's text, as in every test: one X layout cannot type Latin and Cyrillic.
  const std::wstring target = Work + L"Программы клиники\\";
  SetText(path, target);
  Type("Return");
  CloseNoticeByKey("Return");
  ASSERT_TRUE(PageShows(ComponentsText));
  EXPECT_TRUE(FocusIs(L"Начать установку")) << Narrow(FocusedText());
  Screenshot(L"81-keyboard-components-focus-on-install");

  Type("Return");
  EXPECT_EQ(AnswerByKey("Return"), DriverQuestion) << "Enter is the question's Yes";
  HWND final = Setup->WaitForMessageBox(60s);
  ASSERT_NE(final, nullptr) << "no final question";
  EXPECT_EQ(MessageBoxText(final), FinalQuestion);
  Screenshot(L"82-keyboard-final-question");
  EXPECT_EQ(AnswerByKey("Escape"), FinalQuestion);
  EXPECT_TRUE(Setup->Running()) << "Esc is No: the program stays";
  EXPECT_EQ(LogLines(), CompletedLog());
  ExpectInstalledTree(target);
  EXPECT_TRUE(FocusIs(L"Выход")) << Narrow(FocusedText());
  Type("Return");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

// Esc on each page asks the cancel question; Esc in the question is No and keeps the page, Enter is Yes.
TEST_F(KeyboardWizard, EscapeAsksOnEveryPageAndNoKeepsIt) {
  struct Case {
    const char* Page;
    const wchar_t* Text;
  };
  const Case cases[] = {{"welcome", WelcomeText}, {"folder", PathText}, {"components", ComponentsText}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Page);
    ASSERT_TRUE(PageShows(c.Text));
    const std::wstring focused = FocusedText();
    Type("Escape");
    EXPECT_EQ(AnswerByKey("Escape"), CancelQuestion);
    EXPECT_TRUE(PageShows(c.Text));
    EXPECT_TRUE(FocusIs(focused)) << "the focus moved to " << Narrow(FocusedText());
    if (c.Text == PathText) {
      SetText(PathBox(), Work + L"Цель");
      Type("Return");
      // Esc closes the notice too: its one answer is OK.
      CloseNoticeByKey("Escape");
    } else if (c.Text == WelcomeText) {
      Type("Return");
    }
  }
  Type("Escape");
  EXPECT_EQ(AnswerByKey("Return"), CancelQuestion);
  ASSERT_TRUE(PageShows(CancelledText));
  EXPECT_TRUE(FocusIs(L"Выход"));
  ExpectUniqueAccessKeys(Main, "cancelled");
  Type("Escape");
  EXPECT_TRUE(Setup->Running()) << "the cancelled page has no cancel button";
  Type("Return");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

// Every button and the check box by Alt and its underlined letter (and without Alt from a focused
// button), page by page, through to the end of an installation.
TEST_F(KeyboardWizard, AccessKeysPressTheirControls) {
  RestartWithLargeFonts();
  ASSERT_TRUE(PageShows(WelcomeText));
  ExpectUniqueAccessKeys(Main, "welcome");
  struct Step {
    const char* What;
    std::string Keys;
    std::function<void()> Then;
  };
  auto cancelAsked = [&] { EXPECT_EQ(AnswerByKey("Escape"), CancelQuestion); };
  auto pageShows = [&](const wchar_t* Text) { return [=] { EXPECT_TRUE(PageShows(Text)); }; };
  auto driverBox = [&] {
    HWND box = FindVisibleByText(Main, L"Устанавливать драйвер");
    return box ? SendMessageW(box, BM_GETCHECK, 0, 0) : -1;
  };
  const std::wstring target = Work + L"Клиника\\";
  const Step steps[] = {
      {"welcome: Отмена", "alt+Cyrillic_te", cancelAsked},
      {"welcome: Отмена without Alt from the focused Далее", "Cyrillic_te", cancelAsked},
      {"welcome: Далее", "alt+Cyrillic_de", pageShows(PathText)},
      {"folder: Выбрать", "alt+Cyrillic_ve",
       [&] {
         // The shell's folder browser opens; Esc cancels it and the box keeps its text.
         HWND browser = Setup->WaitForMessageBox();
         ASSERT_NE(browser, nullptr) << "no folder browser";
         Screenshot(L"83-keyboard-folder-browser");
         Type("Escape");
         EXPECT_TRUE(WaitFor([&] { return !IsWindow(browser) || !IsWindowVisible(browser); }, 5s));
         EXPECT_EQ(WindowText(PathBox()), L"C:\\Zuzavo");
         SetText(PathBox(), target);
       }},
      {"folder: Отмена", "alt+Cyrillic_te", cancelAsked},
      {"folder: Далее", "alt+Cyrillic_de",
       [&] {
         CloseNoticeByKey("Return");
         EXPECT_TRUE(PageShows(ComponentsText));
         ExpectUniqueAccessKeys(Main, "components");
       }},
      {"components: the driver box off", "alt+Cyrillic_u", [&] { EXPECT_EQ(driverBox(), BST_UNCHECKED); }},
      {"components: the driver box on", "alt+Cyrillic_u", [&] { EXPECT_EQ(driverBox(), BST_CHECKED); }},
      {"components: Назад", "alt+Cyrillic_ze", [&] {
         EXPECT_TRUE(PageShows(PathText));
         ExpectUniqueAccessKeys(Main, "folder");
       }},
      {"folder: Далее again", "alt+Cyrillic_de", [&] { CloseNoticeByKey("Escape"); }},
      {"components: Отмена", "alt+Cyrillic_te", cancelAsked},
      {"components: Начать установку", "alt+Cyrillic_en",
       [&] {
         // Esc is No in the driver question: no driver this time.
         EXPECT_EQ(AnswerByKey("Escape"), DriverQuestion);
         HWND final = Setup->WaitForMessageBox(60s);
         ASSERT_NE(final, nullptr) << "no final question";
         EXPECT_EQ(AnswerByKey("Escape"), FinalQuestion);
         ExpectUniqueAccessKeys(Main, "progress");
         Screenshot(L"84-keyboard-progress-page-access-keys");
       }},
      {"progress: Выход", "alt+Cyrillic_yeru", [&] { EXPECT_TRUE(Setup->WaitForExit(10s)); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.What);
    if (!Setup->Running()) break;
    Type(step.Keys);
    step.Then();
  }
  const std::vector<std::wstring> log = LogFileLines(target + L"Settings\\install.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), L"Началась установка драйверов устройства..."), 0);
}

// Tab and Shift+Tab go round the page's controls in reading order and never into a hidden page.
TEST_F(KeyboardWizard, TabGoesInReadingOrder) {
  struct Case {
    const char* Page;
    std::vector<std::wstring> Round;  // from the focus the page gives, Tab after Tab back to it
  };
  const Case cases[] = {
      {"welcome", {L"Далее", L"Отмена", L"Далее"}},
      {"folder", {FolderBox, L"Выбрать", L"Отмена", L"Далее", FolderBox}},
      {"components", {L"Начать установку", L"Устанавливать драйвер", L"Отмена", L"Назад", L"Начать установку"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Page);
    ASSERT_TRUE(FocusIs(c.Round.front())) << Narrow(FocusedText());
    for (size_t i = 1; i < c.Round.size(); ++i) {
      Type("Tab");
      EXPECT_TRUE(FocusIs(c.Round[i])) << "after Tab " << i << ": " << Narrow(FocusedText());
    }
    for (size_t i = c.Round.size() - 1; i-- > 0;) {
      Type("shift+Tab");
      EXPECT_TRUE(FocusIs(c.Round[i])) << "after Shift+Tab: " << Narrow(FocusedText());
    }
    if (c.Round.front() == L"Далее") {
      Screenshot(L"85-keyboard-welcome-focus-rectangle");
      Type("Return");
    } else if (c.Round.front() == FolderBox) {
      SetText(PathBox(), Work + L"Цель");
      Type("Return");
      CloseNoticeByKey("Return");
    }
  }
}

}  // namespace
