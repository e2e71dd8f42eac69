// The main window built as the program builds it, its handlers run with scripted answers to the
// dialogs and a recorder in place of the message window.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "Background.h"
#include "FileOps.h"
#include "Main.h"
#include "Paths.h"
#include "RH_Common_Proc.h"
#include "ScriptedPrompts.h"

// The main window's private state, for the tests.
struct TFMainAccess {
  static bool& CanClose(TFMain& Form) { return Form.FCanClose; }
  static TBackgroundImages Images(TFMain& Form) {
    return {Form.BG_bmp,   Form.Title_pnl_l_bmp, Form.Title_pnl_r_bmp, Form.Title_pnl_m_bmp,
            Form.Logo_bmp, Form.Title_bmp,       Form.Panels_bmp};
  }
};

namespace {

struct NoticeCall {
  std::wstring Text;
  TMessageType Kind;
  std::wstring Caption;
  int Countdown;
};
std::vector<NoticeCall> Notices;

bool RecordNotice(const std::wstring& Text, TMessageType Kind, const std::wstring& Caption, int Countdown) {
  Notices.push_back({Text, Kind, Caption, Countdown});
  return true;
}

std::wstring NewTempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  const std::wstring folder = std::wstring(temp) + L"Проверка мастера " + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++counter) + L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

bool FolderExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Notices.clear();
    PreviousNotice = MessageWindow;
    MessageWindow = RecordNotice;
    Form = std::make_unique<TFMain>();
    Form->Show();
  }
  void TearDown() override {
    Form.reset();
    MessageWindow = PreviousNotice;
  }
  void Click(TButton* Button) { SendMessageW(Button->Handle(), BM_CLICK, 0, 0); }
  // The page that is active, by the windows that show.
  std::wstring ShownPage() {
    std::wstring shown;
    for (int i = 0; i < Form->InsatallPages->PageCount(); ++i)
      if (Form->InsatallPages->Page(i)->Visible()) shown += (shown.empty() ? L"" : L"+") + Form->InsatallPages->Page(i)->Name();
    return shown;
  }
  void GoToPathPage() {
    Click(Form->BtnStartNext);
    ASSERT_EQ(ShownPage(), L"tsInputPath");
  }

  ScriptedPrompts Prompts;
  std::unique_ptr<TFMain> Form;
  TShowMessageWindowFn PreviousNotice = nullptr;
};

TEST_F(MainWindow, FormCreateLeavesTheWelcomePageReady) {
  EXPECT_EQ(Form->Caption(), L"Установка комплекса");
  EXPECT_EQ(Form->ClientWidth(), 954);
  EXPECT_EQ(Form->ClientHeight(), 579);
  EXPECT_FALSE(GetWindowLongW(Form->Handle(), GWL_STYLE) & WS_THICKFRAME) << "a fixed border";
  EXPECT_EQ(Form->ePath->Text(), L"C:\\Zuzavo");
  EXPECT_EQ(Form->InsatallPages->ActivePage(), Form->tsStart);
  EXPECT_EQ(ShownPage(), L"tsStart");
  EXPECT_FALSE(Form->BtnExit->Enabled());
  EXPECT_TRUE(TFMainAccess::CanClose(*Form));
  EXPECT_FALSE(IsSiblingProduct) << "the product is \"Ритмон - Vidoze\"";
  EXPECT_TRUE(Form->CbDriverInstal->Checked());
  EXPECT_FALSE(Form->LogList->Visible());
  EXPECT_NE(Form->RichEdit1->PlainText().find(L"Контакты"), std::wstring::npos) << "the INFO text replaced the design text";

  const TColor pane = RGB(236, 236, 235);
  EXPECT_EQ(Form->RichEdit1->Color(), pane);
  EXPECT_EQ(Form->InsatallPages->Color(), pane);
  for (const TWinControl* c : std::vector<const TWinControl*>{Form->tsStart, Form->MemoStart, Form->tsInputPath,
                                                              Form->MemoInputComponents, Form->LogList, Form->MemoCancel})
    EXPECT_EQ(c->Color(), pane) << ToUtf8(c->Name());
  EXPECT_EQ(Form->PnlPath->BorderColor(), pane);
  EXPECT_EQ(Form->ePath->Color(), clWindow);
  EXPECT_EQ(Notices.size(), 0u);
}

// A high-contrast scheme switched on and off while the program runs: the background loses its artwork
// behind the texts and gets it back, and the information text takes the system's colour and then its own.
// Wine never reports the scheme, so the test's variable stands in for the system's setting.
TEST_F(MainWindow, FollowsHighContrastWhileItRuns) {
  TBitmap32 artwork(954, 579), plain(954, 579);
  ComposeBackground(artwork, TFMainAccess::Images(*Form));
  ComposeHighContrastBackground(plain, TFMainAccess::Images(*Form), ColorToRGB(clWindow));
  auto infoColorIsAuto = [&] {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(Form->RichEdit1->Handle(), EM_SETSEL, 0, 0);
    SendMessageW(Form->RichEdit1->Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwEffects & CFE_AUTOCOLOR) != 0;
  };
  ASSERT_TRUE(Form->BG->Buffer() == artwork);
  EXPECT_FALSE(infoColorIsAuto()) << "the document's heading colour";
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "switched on" : "switched off");
    SetEnvironmentVariableW(L"INSTALL_TEST_HIGH_CONTRAST", on ? L"1" : nullptr);
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(HighContrast(), on);
    EXPECT_TRUE(Form->BG->Buffer() == (on ? plain : artwork));
    EXPECT_EQ(infoColorIsAuto(), on);
    EXPECT_EQ(ColorToRGB(Form->MemoStart->ShownColor()), ColorToRGB(on ? clWindow : RGB(236, 236, 235)));
  }
}

TEST_F(MainWindow, BackgroundIsComposedOnceLaidOutAndAgainOnAResize) {
  TBitmap32 expected(954, 579);
  ComposeBackground(expected, TFMainAccess::Images(*Form));
  EXPECT_TRUE(Form->BG->Buffer() == expected);
  EXPECT_EQ(Form->BG->UpdateCount(), 0);
  auto checkPlaces = [&] {
    const RECT pane = Form->RichEdit1->BoundsRect(), pages = Form->InsatallPages->BoundsRect();
    EXPECT_EQ(pane.left, 16);
    EXPECT_EQ(pane.top, 110);
    EXPECT_EQ(pane.right - pane.left, 282);
    EXPECT_EQ(pane.bottom - pane.top, 441);
    EXPECT_EQ(pages.left, 320);
    EXPECT_EQ(pages.top, 110);
    EXPECT_EQ(pages.right - pages.left, 619);
    EXPECT_EQ(pages.bottom - pages.top, 441);
  };
  checkPlaces();

  // Controls moved and the buffer spoilt: a resize event to the same size puts everything back.
  Form->RichEdit1->SetBounds(0, 0, 10, 10);
  Form->InsatallPages->SetBounds(0, 0, 10, 10);
  Form->BG->Buffer().Fill(0xFF00FF00u);
  SendMessageW(Form->BG->Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(954, 579));
  EXPECT_TRUE(Form->BG->Buffer() == expected);
  checkPlaces();
}

TEST_F(MainWindow, WelcomeNextShowsThePathPageWithTheFocusInTheBox) {
  Click(Form->BtnStartNext);
  EXPECT_EQ(ShownPage(), L"tsInputPath");
  EXPECT_TRUE(Form->ePath->Focused());
}

TEST_F(MainWindow, TargetFolderValidation) {
  const std::wstring temp = NewTempFolder();
  wchar_t previousFolder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previousFolder);
  SetCurrentDirectoryW(temp.c_str());  // where relative names resolve

  struct Case {
    const char* Name;
    std::wstring Typed;
    std::wstring Box;       // the box's text afterwards
    UINT Dialog;            // 0: none, else its icon
    std::wstring Message;
    std::wstring Created;   // folder that must exist afterwards, with its "Settings"
    std::wstring Missing;   // folder that must not exist afterwards
  };
  const std::wstring empty = L"Не выбран путь для установки программы!";
  const std::wstring root = L"Программу нелзя устанавливать в корневой каталог!";
  const std::vector<Case> cases = {
      {"empty", L"", L"", MB_ICONERROR, empty, L"", L""},
      {"blanks only", L"   ", L"   ", MB_ICONERROR, empty, L"", L""},
      {"control characters only", L"\t\r\n", L"\t\r\n", MB_ICONERROR, empty, L"", L""},
      {"bare drive", L"C:", L"C:\\", MB_ICONWARNING, root, L"", L""},
      {"drive root", L" C:\\ ", L"C:\\", MB_ICONWARNING, root, L"", L""},
      {"two letters", L"ab", L"ab\\", MB_ICONWARNING, root, L"", temp + L"ab"},
      {"one level below a root, with blanks", L"  " + temp + L"A  ", temp + L"A\\", 0, L"", temp + L"A\\", L""},
      {"existing folder with a backslash", temp + L"A\\", temp + L"A\\", 0, L"", temp + L"A\\", L""},
      {"missing parent", temp + L"нет\\B", temp + L"нет\\B\\", 0, L"", L"", temp + L"нет"},
      {"relative name", L"Относительная", L"Относительная\\", 0, L"", temp + L"Относительная\\", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Form.reset();
    Form = std::make_unique<TFMain>();
    Form->Show();
    Prompts.Boxes.clear();
    Notices.clear();
    GoToPathPage();
    Form->ePath->SetText(c.Typed);
    Click(Form->BtnInputPathNext);

    EXPECT_EQ(Form->ePath->Text(), c.Box);
    if (c.Dialog) {
      ASSERT_EQ(Prompts.Boxes.size(), 1u);
      EXPECT_EQ(Prompts.Boxes[0].Text, c.Message);
      EXPECT_EQ(Prompts.Boxes[0].Flags, c.Dialog | MB_OK);
      EXPECT_EQ(Prompts.Boxes[0].Caption, c.Dialog == MB_ICONERROR ? L"Ошибка" : L"Предупреждение");
      EXPECT_EQ(ShownPage(), L"tsInputPath");
      EXPECT_TRUE(Form->ePath->Focused());
      EXPECT_TRUE(Notices.empty());
    } else {
      EXPECT_TRUE(Prompts.Boxes.empty());
      EXPECT_EQ(ShownPage(), L"tsInputComponents");
      ASSERT_EQ(Notices.size(), 1u) << "the driver notice comes with the page";
    }
    if (!c.Created.empty()) {
      EXPECT_TRUE(FolderExists(c.Created));
      EXPECT_TRUE(FolderExists(c.Created + L"Settings"));
    }
    if (!c.Missing.empty()) {
      EXPECT_FALSE(FolderExists(c.Missing));
    }
  }
  SetCurrentDirectoryW(previousFolder);
}

TEST_F(MainWindow, ComponentsPageShowsTheDriverNoticeEachTime) {
  const std::wstring temp = NewTempFolder();
  GoToPathPage();
  Form->ePath->SetText(temp + L"Цель");
  Click(Form->BtnInputPathNext);
  ASSERT_EQ(ShownPage(), L"tsInputComponents");
  Click(Form->BtnInputComponentsBack);
  EXPECT_EQ(ShownPage(), L"tsInputPath");
  EXPECT_EQ(Form->ePath->Text(), temp + L"Цель\\");
  Click(Form->BtnInputPathNext);
  EXPECT_EQ(ShownPage(), L"tsInputComponents");
  ASSERT_EQ(Notices.size(), 2u);
  for (const NoticeCall& notice : Notices) {
    EXPECT_EQ(notice.Text, L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
                           L" снимите галочку установки драйвера!");
    EXPECT_EQ(notice.Kind, mtMessage);
    EXPECT_EQ(notice.Caption, L"");
    EXPECT_EQ(notice.Countdown, 0);
  }
  Click(Form->BtnInsatall);
  EXPECT_EQ(ShownPage(), L"tsProgressInstall");
  EXPECT_FALSE(Form->BtnExit->Enabled());
}

TEST_F(MainWindow, FolderBrowserStartsEmptyAndOnlyAConfirmedFolderChangesTheBox) {
  GoToPathPage();
  Form->ePath->SetText(L"D:\\Набрано");
  Prompts.BrowseConfirms = false;
  Click(Form->BtnSelectPath);
  EXPECT_EQ(Form->ePath->Text(), L"D:\\Набрано");
  Prompts.BrowseConfirms = true;
  Prompts.BrowseResult = L"E:\\Выбрано с пробелом";
  Click(Form->BtnSelectPath);
  EXPECT_EQ(Form->ePath->Text(), L"E:\\Выбрано с пробелом");
  ASSERT_EQ(Prompts.Browses.size(), 2u);
  for (const auto& browse : Prompts.Browses) {
    EXPECT_EQ(browse.Instruction, L"Выберете путь для установки программ");
    EXPECT_EQ(browse.Flags, UINT(BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON));
    EXPECT_EQ(browse.PathGiven, L"") << "the typed folder is not preselected";
    EXPECT_EQ(browse.Owner, Application.Handle());
  }
  EXPECT_EQ(ShownPage(), L"tsInputPath");
}

TEST_F(MainWindow, CancelAsksAndYesLeadsToTheCancelledPage) {
  const std::wstring temp = NewTempFolder();
  struct Case {
    const char* Page;
    std::function<TButton*()> Reach;  // goes to the page, returns its cancel button
  };
  const std::vector<Case> cases = {
      {"welcome", [&] { return Form->BtnCancel; }},
      {"path", [&] { GoToPathPage(); return Form->BtnCancel2; }},
      {"components",
       [&] {
         GoToPathPage();
         Form->ePath->SetText(temp + L"Отмена");
         Click(Form->BtnInputPathNext);
         return Form->BtnCancel4;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Page);
    Form.reset();
    Form = std::make_unique<TFMain>();
    Form->Show();
    TButton* cancel = c.Reach();
    const std::wstring page = ShownPage(), box = Form->ePath->Text();
    Prompts.Boxes.clear();
    Prompts.Answers = {IDNO};
    Click(cancel);
    ASSERT_EQ(Prompts.Boxes.size(), 1u);
    EXPECT_EQ(Prompts.Boxes[0].Text, L"Вы уверены, что хотите отменить процесс установки?");
    EXPECT_EQ(Prompts.Boxes[0].Flags, UINT(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(Prompts.Boxes[0].Caption, L"Подтверждение");
    EXPECT_EQ(ShownPage(), page) << "No changes nothing";
    EXPECT_EQ(Form->ePath->Text(), box);

    TFMainAccess::CanClose(*Form) = false;
    Prompts.Answers = {IDYES};
    Click(cancel);
    EXPECT_EQ(ShownPage(), L"tsCancel");
    EXPECT_TRUE(TFMainAccess::CanClose(*Form)) << "Yes allows closing";
    Click(Form->BtnExitCancel);
    EXPECT_TRUE(Application.Terminated()) << "\"Выход\" closes the window, which ends the program";
  }
}

TEST_F(MainWindow, CloseRequestIsAnsweredWithTheCloseFlag) {
  TFMainAccess::CanClose(*Form) = false;
  SendMessageW(Form->Handle(), WM_CLOSE, 0, 0);
  SendMessageW(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(Application.Terminated()) << "refused silently during the busy span";
  EXPECT_TRUE(Prompts.Boxes.empty());
  EXPECT_TRUE(Form->Visible());
  TFMainAccess::CanClose(*Form) = true;
  SendMessageW(Form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(Prompts.Boxes.empty()) << "no confirmation is asked";
}

// Posts a close request to the main window when the log gets the line that begins the busy span's work,
// so the request is handled while the installation runs.
WNDPROC LogListProc = nullptr;
HWND CloseTarget = nullptr;
std::vector<bool> CanCloseWhenAsked;
LRESULT CALLBACK CloseWhenSettingsLineComes(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == LB_ADDSTRING && std::wstring(reinterpret_cast<const wchar_t*>(LParam)).rfind(L"Создание", 0) == 0)
    PostMessageW(CloseTarget, WM_CLOSE, 0, 0);
  return CallWindowProcW(LogListProc, Wnd, Msg, WParam, LParam);
}

TEST_F(MainWindow, CloseIsRefusedWhileBusyAndWorksAgainAfterAnErrorEndedTheRun) {
  // The program's own folder holds no distribution: the run ends at the database file with an error.
  const std::wstring temp = NewTempFolder();
  GoToPathPage();
  Form->ePath->SetText(temp + L"Цель");
  Click(Form->BtnInputPathNext);
  ASSERT_EQ(ShownPage(), L"tsInputComponents");
  CloseTarget = Form->Handle();
  LogListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      Form->LogList->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CloseWhenSettingsLineComes)));
  Click(Form->BtnInsatall);
  SetWindowLongPtrW(Form->LogList->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogListProc));

  EXPECT_FALSE(Application.Terminated()) << "the close request during the busy span was refused";
  EXPECT_TRUE(Form->Visible());
  EXPECT_EQ(ShownPage(), L"tsProgressInstall");
  ASSERT_EQ(Prompts.Boxes.size(), 1u) << "only the error box, no question about the close";
  EXPECT_EQ(Prompts.Boxes[0].Text.rfind(L"Cannot open file \"", 0), 0u);
  EXPECT_EQ(Prompts.Boxes[0].Flags & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
  ASSERT_EQ(Form->LogList->Count(), 3);
  EXPECT_EQ(Form->LogList->Line(0), L"Создание настроечных файлов....Завершено");
  EXPECT_EQ(Form->LogList->Line(2), L"Копирование файла R12.FDB....");
  EXPECT_FALSE(Form->BtnExit->Enabled());
  EXPECT_FALSE(Application.BusyCursor()) << "the hourglass is gone";
  EXPECT_TRUE(TFMainAccess::CanClose(*Form));

  SendMessageW(Form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application.Terminated()) << "the close box works again";
}

// The restart request as the system would get it, never a real one: Wine would end every program of the
// test prefix.
std::vector<UINT> RestartRequests;
BOOL RecordRestart(UINT Flags, DWORD) {
  RestartRequests.push_back(Flags);
  return FALSE;  // refused, as without the shutdown privilege: the window closes all the same
}

class FontSizePage : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    RestartRequests.clear();
    PreviousExit = SystemQueries::SetExitWindows(RecordRestart);
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    Record = std::wstring(temp) + L"syssetup-call.txt";
    DeleteFileW(Record.c_str());
    Form->InsatallPages->SetActivePage(Form->tsChangeFontSize);
  }
  void TearDown() override {
    SystemQueries::SetExitWindows(PreviousExit);
    DeleteFileW(Library().c_str());
    DeleteFileW(Record.c_str());
    MainWindow::TearDown();
  }
  // Our stand-in of the system library, in the system folder where the program must look for it.
  void InstallStandinLibrary() {
    std::wstring unixPath = L"Z:" + std::wstring(STANDIN_SYSSETUP_UNIX_PATH, STANDIN_SYSSETUP_UNIX_PATH + sizeof(STANDIN_SYSSETUP_UNIX_PATH) - 1);
    for (wchar_t& c : unixPath)
      if (c == L'/') c = L'\\';
    ASSERT_TRUE(CopyFileW(unixPath.c_str(), Library().c_str(), FALSE));
  }
  // Where the program must look for the system library: the system folder only.
  static std::wstring Library() { return SystemFolder() + L"\\syssetup.dll"; }
  // What the stand-in recorded of its call; none when it was not called.
  std::string RecordedCall() const {
    std::string bytes;
    return ReadWholeFile(Record, bytes) ? bytes : "(not called)";
  }
  SystemQueries::ExitWindowsFn PreviousExit = nullptr;
  std::wstring Record;
};

const wchar_t RestartQuestion[] =
    L"Изменения в настройки внесены, для того чтобы они\r\n"
    L"вступили в силу, требуется перзагрузить операционную систему.\r\n"
    L"Выполнить перезагрузку сейчас?";

TEST_F(FontSizePage, YesCallsTheSystemLibraryRequestsARestartAndCloses) {
  InstallStandinLibrary();
  Prompts.Answers = {IDYES};
  Click(Form->BtnChangeFont);
  EXPECT_EQ(RecordedCall(), "window=0\r\nsize=120\r\n");
  ASSERT_EQ(Prompts.Boxes.size(), 1u);
  EXPECT_EQ(Prompts.Boxes[0].Text, RestartQuestion);
  EXPECT_EQ(Prompts.Boxes[0].Flags & (MB_YESNO | MB_ICONWARNING), static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
  // A restart that lets the clinic's programs save their work; only hung ones are ended.
  EXPECT_EQ(RestartRequests, std::vector<UINT>{EWX_REBOOT | EWX_FORCEIFHUNG});
  EXPECT_TRUE(Application.Terminated()) << "the window closes although the restart was refused";
}

TEST_F(FontSizePage, WithoutTheLibraryTheQuestionStillComesAndNoKeepsThePage) {
  Prompts.Answers = {IDNO, IDNO};
  Click(Form->BtnChangeFont);
  Click(Form->BtnChangeFont);
  ASSERT_EQ(Prompts.Boxes.size(), 2u) << "every press asks again";
  EXPECT_EQ(Prompts.Boxes[1].Text, RestartQuestion);
  EXPECT_TRUE(RestartRequests.empty());
  EXPECT_FALSE(Application.Terminated());
  EXPECT_EQ(ShownPage(), L"tsChangeFontSize");
  EXPECT_FALSE(FileExists(Record)) << "the library was called";
}

TEST_F(FontSizePage, ALibraryBesideTheProgramIsNeverCalled) {
  // A planted copy in the current folder (a download folder, say) must not be loaded.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring planted = std::wstring(current) + L"\\syssetup.dll";
  InstallStandinLibrary();
  ASSERT_TRUE(MoveFileW(Library().c_str(), planted.c_str()));
  Prompts.Answers = {IDNO};
  Click(Form->BtnChangeFont);
  DeleteFileW(planted.c_str());
  EXPECT_FALSE(FileExists(Record)) << "the library was called";
  EXPECT_EQ(Prompts.Boxes.size(), 1u);
}

TEST_F(FontSizePage, ExitClosesWithoutCallOrQuestion) {
  InstallStandinLibrary();
  Click(Form->BtnExitOnChangefont);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(Prompts.Boxes.empty());
  EXPECT_FALSE(FileExists(Record)) << "the library was called";
  EXPECT_TRUE(RestartRequests.empty());
}

TEST(IsSiblingProductName, AnyLetterCaseButNothingElse) {
  struct Case {
    std::wstring Name;
    bool Sibling;
  };
  for (const Case& c : {Case{L"Велена", true}, Case{L"ВЕЛЕНА", true}, Case{L"велена", true}, Case{L"вЕлЕнА", true},
                        Case{L"Велена ", false}, Case{L" Велена", false}, Case{L"Велен", false},
                        Case{L"Ритмон - Vidoze", false}, Case{L"", false}})
    EXPECT_EQ(IsSiblingProductName(c.Name), c.Sibling) << ToUtf8(c.Name);
}

}  // namespace
