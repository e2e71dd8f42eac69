// What a screen reader finds on each page and hears of the run, and the pages in a high-contrast scheme.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <set>

#include "Driver.h"
#include "E2eSupport.h"
#include "WizardFixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t FolderPrompt[] =
    L"Пожалуйста, задайте путь куда устанавливать программную часть комплекса \"Ритмон-Vidoze\"";

struct Accessible {
  bool Found = false;
  std::wstring Name, Value;
  long Role = 0;
};

// The control as MSAA gives it to a screen reader in another process.
Accessible ReadAccessible(HWND Control) {
  Accessible a;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(Control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&object))) ||
      !object)
    return a;
  a.Found = true;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK && text) a.Name = text;
  SysFreeString(text);
  text = nullptr;
  if (object->get_accValue(self, &text) == S_OK && text) a.Value = text;
  SysFreeString(text);
  VARIANT role;
  VariantInit(&role);
  if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4) a.Role = role.lVal;
  object->Release();
  return a;
}

// A window text that is a component's name in the program, not a text for the operator.
bool InternalName(const std::wstring& Text) {
  for (const wchar_t* prefix : {L"ts", L"Btn", L"Memo", L"Pnl", L"pnl", L"lbl", L"cb", L"Cb", L"e", L"Pb"})
    if (Text.rfind(prefix, 0) == 0 && Text.size() > wcslen(prefix) && iswupper(Text[wcslen(prefix)])) return true;
  return Text == L"RichEdit1" || Text == L"BG" || Text == L"InsatallPages" || Text == L"LogList";
}

class ScreenReader : public Wizard {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    Wizard::SetUp();
  }
  void TearDown() override {
    Wizard::TearDown();
    CoUninitialize();
  }
  // Each visible control of the page: no internal name as window text, every text readable, and the
  // name (and value) a reader gives it. Returns the names by window, for the page's own checks.
  std::map<HWND, Accessible> ExpectReadablePage(const std::string& Page) {
    std::map<HWND, Accessible> read;
    for (HWND w : VisibleChildren(Main)) {
      const std::wstring cls = ClassName(w), text = WindowText(w);
      SCOPED_TRACE(Page + ": " + Narrow(cls) + " \"" + Narrow(text) + "\"");
      EXPECT_FALSE(InternalName(text));
      const Accessible a = ReadAccessible(w);
      EXPECT_TRUE(a.Found) << "no accessible object";
      read[w] = a;
      if (cls == L"Button") {
        EXPECT_EQ(a.Name, WithoutAccessKey(text));
      } else if (cls == L"ListBox") {
        EXPECT_EQ(a.Name, L"Журнал установки");
      } else if (cls == L"msctls_progress32") {
        EXPECT_EQ(a.Name, L"Ход установки");
      } else if (cls.rfind(L"RichEdit", 0) == 0 || cls.rfind(L"RICHEDIT", 0) == 0) {
        EXPECT_FALSE(text.empty()) << "the information pane answers WM_GETTEXT with nothing";
        EXPECT_EQ(a.Name, text.substr(0, text.find_first_of(L"\r\n"))) << "named by its first heading";
      } else if (cls == L"Edit" && !(GetWindowLongW(w, GWL_STYLE) & ES_READONLY)) {
        EXPECT_EQ(a.Name, FolderPrompt);
        EXPECT_EQ(a.Role, ROLE_SYSTEM_TEXT);
        EXPECT_EQ(a.Value, text);
      } else if (cls == L"Edit") {
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(a.Role, ROLE_SYSTEM_TEXT);
        EXPECT_EQ(a.Value, text) << "the page's text is read as the text box's value";
      }
      // Wine 8's oleacc gives every class but the edit box the client role (Windows: push button, list,
      // progress bar...); some role is there all the same.
      EXPECT_NE(a.Role, 0);
    }
    return read;
  }
};

// Runs this build's own program. Where the build is 64-bit and the shipped 32-bit program runs with
// Wine's 32-bit side emulated, that program dies late in this run (qemu: uncaught target signal 11,
// after the release information is written) once a 64-bit client has taken its accessible objects: not seen
// with the 64-bit build of the same sources, and not yet explained.
class ScreenReaderOfThisBuild : public ScreenReader {
 protected:
  ScreenReaderOfThisBuild() { DistributionSource = BUILD_DIST_UNIX_DIR; }
};

TEST_F(ScreenReaderOfThisBuild, NamesEveryControlOfEveryPage) {
  RestartWithLargeFonts();
  ASSERT_TRUE(PageShows(L"Добро пожаловать"));
  ExpectReadablePage("welcome");
  Press(L"Далее");
  ASSERT_TRUE(PageShows(L"Пожалуйста, задайте путь"));
  ExpectReadablePage("folder");
  const std::wstring target = Work + L"Цель\\";
  SetText(PathBox(), target);
  Press(L"Далее");
  AcknowledgeNotice();
  ASSERT_TRUE(PageShows(L"Все настройки можно изменить позже"));
  ExpectReadablePage("components");
  InstallAndStayAfterTheFinalQuestion();
  const std::map<HWND, Accessible> progress = ExpectReadablePage("progress");
  HWND bar = FindVisibleByClass(Main, L"msctls_progress32");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(progress.at(bar).Value, L"100%") << "the bar is full before the final question";
}

// Each line the run adds or completes is told to screen readers (EVENT_OBJECT_NAMECHANGE of its item),
// as an unattended run with its progress page shows.
std::set<long> Announced;
HWND AnnouncingList = nullptr;

void CALLBACK LineAnnounced(HWINEVENTHOOK, DWORD, HWND Wnd, LONG Object, LONG Child, DWORD, DWORD) {
  if (Object == OBJID_CLIENT && ClassName(Wnd) == L"ListBox") {
    AnnouncingList = Wnd;
    Announced.insert(Child);
  }
}

TEST_F(ScreenReader, HearsEveryLineOfTheRun) {
  Setup.reset();
  Announced.clear();
  const std::wstring target = Work + L"Тихо\\";
  Program silent(Dist + L"Install.exe", Elsewhere, L"/SILENT /NODRIVER /DIR=\"" + target + L"\"");
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, LineAnnounced,
                                       silent.ProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  // Out-of-context events come as messages to this thread.
  const auto end = std::chrono::steady_clock::now() + 90s;
  while (silent.Running() && std::chrono::steady_clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  UnhookWinEvent(hook);
  ASSERT_FALSE(silent.Running());
  EXPECT_EQ(silent.ExitCode(), 0u);
  const std::vector<std::wstring> lines = LogFileLines(target + L"Settings\\install.log");
  ASSERT_GT(lines.size(), 20u);
  std::set<long> expected;
  for (long i = 1; i <= static_cast<long>(Announced.empty() ? 0 : *Announced.rbegin()); ++i) expected.insert(i);
  EXPECT_EQ(Announced, expected) << "a line was never told";
  EXPECT_GE(Announced.size(), 20u) << "fewer lines told than the run wrote";
}

// "High Contrast Black" as Windows sets it, in the prefix's colours for the programs started meanwhile.
class ScopedHighContrastColors {
 public:
  ScopedHighContrastColors() {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Colors", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key,
                    nullptr);
    const std::pair<const wchar_t*, const wchar_t*> scheme[] = {
        {L"Window", L"0 0 0"},          {L"WindowText", L"255 255 255"}, {L"ButtonFace", L"0 0 0"},
        {L"ButtonText", L"255 255 255"}, {L"Hilight", L"26 235 255"},    {L"HilightText", L"0 0 0"},
        {L"GrayText", L"63 242 0"},      {L"ButtonShadow", L"255 255 255"}, {L"WindowFrame", L"255 255 255"},
        {L"Background", L"0 0 0"},       {L"Menu", L"0 0 0"},            {L"MenuText", L"255 255 255"},
        {L"ActiveTitle", L"0 0 0"},      {L"TitleText", L"255 255 255"}, {L"HotTrackingColor", L"255 255 0"}};
    for (const auto& [name, value] : scheme) {
      wchar_t old[64] = {};
      DWORD size = sizeof(old) - sizeof(wchar_t);
      if (RegQueryValueExW(Key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
        Previous.emplace_back(name, old);
      else
        Previous.emplace_back(name, L"");
      RegSetValueExW(Key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
  }
  ~ScopedHighContrastColors() {
    for (const auto& [name, value] : Previous) {
      if (value.empty())
        RegDeleteValueW(Key, name.c_str());
      else
        RegSetValueExW(Key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(Key);
  }

 private:
  HKEY Key = nullptr;
  std::vector<std::pair<std::wstring, std::wstring>> Previous;
};

// A pixel of the main window's client area as the screen shows it.
COLORREF ClientPixel(HWND Main, int X, int Y) {
  POINT p{X, Y};
  ClientToScreen(Main, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF color = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return color;
}

// Wine 8 reports no high-contrast scheme to a program (SPI_GETHIGHCONTRAST never sets its flag), so the
// test seam's variable stands in for the setting; the colours are the prefix's, as Windows would give them.
class HighContrast : public ScreenReader {
 protected:
  HighContrast() { DistributionSource = TEST_SEAMS_DIST_UNIX_DIR; }
};

TEST_F(HighContrast, DrawsEveryPageInTheSystemsColours) {
  const ScopedHighContrastColors colours;
  const ScopedVariable highContrast(L"INSTALL_TEST_HIGH_CONTRAST", L"1");
  RestartWithLargeFonts();
  ASSERT_TRUE(PageShows(L"Добро пожаловать"));
  Sleep(300);
  // Where the paper texture and the panels were, and the empty lower part of the welcome text.
  struct Spot {
    const char* What;
    int X, Y;
  };
  for (const Spot& spot : {Spot{"left margin", 6, 300}, Spot{"between the panels", 308, 300},
                           Spot{"below the welcome text", 900, 430}}) {
    EXPECT_EQ(ClientPixel(Main, spot.X, spot.Y), RGB(0, 0, 0)) << spot.What;
  }
  HWND next = FindVisibleByText(Main, L"Далее");
  ASSERT_NE(next, nullptr);
  RECT face{};
  GetWindowRect(next, &face);
  MapWindowPoints(nullptr, Main, reinterpret_cast<POINT*>(&face), 2);
  EXPECT_EQ(ClientPixel(Main, face.left + 5, face.bottom - 5), RGB(0, 0, 0)) << "the button face";
  Screenshot(L"70-high-contrast-welcome");
  Press(L"Далее");
  ASSERT_TRUE(PageShows(L"Пожалуйста, задайте путь"));
  Screenshot(L"71-high-contrast-path");
  SetText(PathBox(), Work + L"Цель");
  Press(L"Далее");
  AcknowledgeNotice(L"72-high-contrast-driver-notice");
  ASSERT_TRUE(PageShows(L"Все настройки можно изменить позже"));
  Screenshot(L"73-high-contrast-components");
  InstallAndStayAfterTheFinalQuestion();
  Screenshot(L"74-high-contrast-log");
  Press(L"Выход");
  EXPECT_TRUE(Setup->WaitForExit(10s));
}

}  // namespace
