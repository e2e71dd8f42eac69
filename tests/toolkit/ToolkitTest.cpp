// The window toolkit under Wine: docking, colours and fonts passed down, pages, buttons, the log list,
// timers, modal forms, the prompts seam, the general error display and loading images from resources.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ScriptedPrompts.h"
#include "Toolkit.h"

namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(L"TToolkitTestForm") { SetClientSize(400, 300); }
};

RECT Bounds(const TWinControl* Control) { return Control->BoundsRect(); }

void ExpectBounds(const TWinControl* Control, int Left, int Top, int Width, int Height, const char* Name) {
  const RECT r = Bounds(Control);
  EXPECT_EQ(r.left, Left) << Name;
  EXPECT_EQ(r.top, Top) << Name;
  EXPECT_EQ(r.right - r.left, Width) << Name;
  EXPECT_EQ(r.bottom - r.top, Height) << Name;
}

TEST(Docking, TopBottomLeftRightClientInCreationOrderWithMargins) {
  TestForm form;
  auto* top1 = new TPanel(&form);
  top1->SetHeight(30);
  top1->SetAlign(alTop);
  auto* bottom1 = new TPanel(&form);
  bottom1->SetHeight(20);
  bottom1->SetAlign(alBottom);
  auto* client = new TPanel(&form);
  client->SetAlign(alClient);
  auto* left = new TPanel(&form);
  left->SetWidth(40);
  left->SetMargins(2, 3, 4, 5);
  left->SetAlign(alLeft);
  auto* top2 = new TPanel(&form);
  top2->SetHeight(10);
  top2->SetAlign(alTop);
  auto* bottom2 = new TPanel(&form);
  bottom2->SetHeight(15);
  bottom2->SetAlign(alBottom);
  auto* right = new TPanel(&form);
  right->SetWidth(50);
  right->SetAlign(alRight);

  ExpectBounds(top1, 0, 0, 400, 30, "first top");
  ExpectBounds(top2, 0, 30, 400, 10, "second top, below the first");
  ExpectBounds(bottom1, 0, 280, 400, 20, "first bottom, lowest");
  ExpectBounds(bottom2, 0, 265, 400, 15, "second bottom, above the first");
  // Between the tops (40) and the bottoms (265): 225 rows.
  ExpectBounds(left, 2, 43, 40, 225 - 3 - 5, "left with margins");
  ExpectBounds(right, 350, 40, 50, 225, "right");
  ExpectBounds(client, 46, 40, 350 - 46, 225, "client, what is left");

  // A hidden control gives its room back; the docking order can be changed.
  top1->Hide();
  ExpectBounds(top2, 0, 0, 400, 10, "second top after the first was hidden");
  top1->Show();
  top1->DockAfter(top2);
  ExpectBounds(top2, 0, 0, 400, 10, "second top docked first");
  ExpectBounds(top1, 0, 10, 400, 30, "first top docked after it");
}

TEST(Docking, PaddingAndRoundedBorderKeepChildrenInside) {
  TestForm form;
  auto* bar = new TPanel(&form);
  bar->SetBounds(0, 0, 300, 37);
  bar->SetBorderStyle(pbFlatRounded);
  bar->SetBorderWidth(2);
  auto* cancel = new TButton(bar, L"Отмена");
  cancel->SetWidth(99);
  cancel->SetAlign(alLeft);
  auto* next = new TButton(bar, L"Далее");
  next->SetWidth(98);
  next->SetAlign(alRight);
  ExpectBounds(cancel, 2, 2, 99, 33, "left button inside the border");
  ExpectBounds(next, 300 - 2 - 98, 2, 98, 33, "right button inside the border");

  form.SetPadding(5, 6, 7, 8);
  auto* fill = new TPanel(&form);
  fill->SetAlign(alClient);
  ExpectBounds(fill, 5, 6, 400 - 12, 300 - 14, "client inside the padding");
}

TEST(Docking, WrappingLabelTakesTheHeightOfItsText) {
  TestForm form;
  auto* label = new TLabel(&form);
  label->SetWordWrap(true);
  label->SetAlign(alTop);
  label->SetCaption(L"Одна строка");
  const int oneLine = label->Height();
  EXPECT_GT(oneLine, 0);
  label->SetCaption(std::wstring(40, L'ж') + L" " + std::wstring(40, L'ж') + L" " + std::wstring(40, L'ж'));
  EXPECT_GE(label->Height(), 3 * oneLine) << "three words, each wider than half the form";
  EXPECT_EQ(label->Width(), 400);
}

TEST(ParentColorAndFont, FollowTheParentUnlessSetOwn) {
  TestForm form;
  auto* pages = new TPageControl(&form);
  auto* sheet = new TTabSheet(pages, L"tsOne");
  auto* memo = new TMemo(sheet);
  auto* edit = new TEdit(sheet);
  pages->SetColor(RGB(236, 236, 235));
  pages->SetFont(TFont(L"Tahoma", 15, RUSSIAN_CHARSET));
  EXPECT_EQ(sheet->Color(), RGB(236, 236, 235));
  EXPECT_EQ(memo->Color(), RGB(236, 236, 235));
  EXPECT_EQ(edit->Color(), clWindow) << "an edit box keeps its own colour";
  EXPECT_EQ(memo->Font().Name, L"Tahoma");
  memo->SetFont(TFont(L"Times New Roman", 20, DEFAULT_CHARSET, clNavy));
  pages->SetFont(TFont(L"Arial", 12));
  EXPECT_EQ(memo->Font().Name, L"Times New Roman") << "a font of its own stays";
  EXPECT_EQ(sheet->Font().Name, L"Arial");

  // The memo answers WM_CTLCOLORSTATIC with its colours.
  HDC dc = GetDC(memo->Handle());
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(sheet->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(memo->Handle())));
  EXPECT_EQ(brush, ColorBrush(RGB(236, 236, 235)));
  EXPECT_EQ(GetTextColor(dc), clNavy);
  ReleaseDC(memo->Handle(), dc);
}

TEST(Fonts, TimesNewRomanIsAskedForAsARomanFont) {
  LOGFONTW lf{};
  GetObjectW(TFont(L"Times New Roman", 20).Handle(), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfPitchAndFamily & 0xF0, FF_ROMAN);
  EXPECT_EQ(lf.lfHeight, -20) << "the pixel height is the character height";
  GetObjectW(TFont(L"Tahoma", 15, RUSSIAN_CHARSET).Handle(), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_EQ(TFont(L"Tahoma", 15).Handle(), TFont(L"Tahoma", 15).Handle()) << "fonts are shared";
}

TEST(PageControl, ActivatingAPageShowsOnlyItAndRunsItsOnShow) {
  TestForm form;
  auto* pages = new TPageControl(&form);
  pages->SetAlign(alClient);
  auto* first = new TTabSheet(pages, L"tsFirst");
  auto* second = new TTabSheet(pages, L"tsSecond");
  int shownFirst = 0, shownSecond = 0;
  first->OnShow = [&](TObject* Sender) {
    EXPECT_EQ(Sender, first);
    ++shownFirst;
  };
  second->OnShow = [&](TObject*) {
    EXPECT_TRUE(second->Visible()) << "OnShow runs once the page is shown";
    ++shownSecond;
  };
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_FALSE(first->Visible());
  EXPECT_FALSE(second->Visible());

  pages->SetActivePage(first);
  EXPECT_TRUE(first->Visible());
  ExpectBounds(first, 0, 0, 400, 300, "a page fills the page control");
  pages->ActivatePage(L"tsSecond");
  EXPECT_FALSE(first->Visible());
  EXPECT_TRUE(second->Visible());
  EXPECT_EQ(pages->ActivePage(), second);
  pages->ActivatePage(L"tsSecond");
  pages->ActivatePage(L"tsFirst");
  pages->ActivatePage(L"tsSecond");
  EXPECT_EQ(shownFirst, 2);
  EXPECT_EQ(shownSecond, 2) << "activating the active page again does not show it again";
  EXPECT_THROW(pages->ActivatePage(L"tsNone"), EProgramError);
}

TEST(PageControl, APageIsBuiltOnceBeforeItFirstShowsOrWhenAskedFirst) {
  TestForm form;
  auto* pages = new TPageControl(&form);
  pages->SetAlign(alClient);
  auto* first = new TTabSheet(pages, L"tsFirst");
  auto* second = new TTabSheet(pages, L"tsSecond");
  TButton* firstButton = nullptr;
  int builtFirst = 0, builtSecond = 0;
  first->SetBuilder([&] {
    ++builtFirst;
    EXPECT_FALSE(first->Visible()) << "built before the page shows";
    first->EnsureBuilt();  // the builder reaching its own page asks for nothing more
    firstButton = new TButton(first, L"Далее");
    first->SetActiveControl(firstButton);
  });
  second->SetBuilder([&] { ++builtSecond; });
  EXPECT_EQ(builtFirst + builtSecond, 0) << "nothing is built before it is needed";

  pages->SetActivePage(first);
  EXPECT_EQ(builtFirst, 1);
  EXPECT_TRUE(first->Visible());
  EXPECT_EQ(first->ActiveControl(), firstButton) << "what the builder set is there when the page shows";
  second->EnsureBuilt();
  second->EnsureBuilt();
  pages->SetActivePage(second);
  pages->SetActivePage(first);
  EXPECT_EQ(builtFirst, 1);
  EXPECT_EQ(builtSecond, 1);
}

TEST(Button, ClickedByItsWindowAndNotWhenDisabled) {
  TestForm form;
  auto* button = new TButton(&form, L"Далее");
  int clicks = 0;
  button->OnClick = [&](TObject* Sender) {
    EXPECT_EQ(Sender, button);
    ++clicks;
  };
  wchar_t className[32] = {};
  GetClassNameW(button->Handle(), className, 32);
  EXPECT_STREQ(className, L"Button");
  EXPECT_EQ(button->Text(), L"Далее");
  EXPECT_GE(button->ControlId(), 1000);

  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(button->ControlId(), BN_CLICKED),
               reinterpret_cast<LPARAM>(button->Handle()));
  EXPECT_EQ(clicks, 2) << "a posted or sent WM_COMMAND clicks it too";
  button->SetEnabled(false);
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
}

TEST(Button, GlyphStripNeedsTwoImages) {
  TestForm form;
  auto* button = new TButton(&form, L"Далее");
  EXPECT_NO_THROW(button->SetGlyph(L"GLYPH_NEXT"));
  try {
    button->SetGlyph(L"LOGO");
    FAIL() << "a 72 x 70 image is no glyph strip";
  } catch (const EProgramError& error) {
    EXPECT_NE(error.Text().find(L"LOGO"), std::wstring::npos);
  }
}

TEST(LogList, LinesReadableByListBoxMessagesWithFixedItemHeight) {
  TestForm form;
  auto* log = new TLogList(&form);
  log->SetAlign(alClient);
  EXPECT_EQ(log->ItemHeight(), 18);
  EXPECT_FALSE(log->TabStop());
  EXPECT_EQ(log->Add(L"Создание папки...."), 0);
  EXPECT_EQ(log->Add(L"Копирование"), 1);
  log->SetLine(0, log->Line(0) + L"Завершено");
  EXPECT_EQ(log->Count(), 2);
  wchar_t text[64] = {};
  SendMessageW(log->Handle(), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Создание папки....Завершено");
  EXPECT_EQ(log->Line(1), L"Копирование");
  EXPECT_EQ(log->Line(5), L"");
}

// A notice wider than the list (a path at its end) can be read whole: the list scrolls sideways as far
// as its widest line, and the item drawn then spans that width, so nothing is cut with an ellipsis.
TEST(LogList, LineWiderThanTheListScrollsSidewaysToItsEnd) {
  TestForm form;
  auto* log = new TLogList(&form);
  log->SetBounds(0, 0, 400, 120);
  const auto horizontalBar = [&] { return (GetWindowLongW(log->Handle(), GWL_STYLE) & WS_HSCROLL) != 0; };
  log->Add(L"Копирование файла gds32.dll....");
  log->SetLine(0, log->Line(0) + L"Завершено");
  RECT client;
  GetClientRect(log->Handle(), &client);
  EXPECT_LT(log->ScrollWidth(), client.right) << "short lines need no sideways scrolling";
  EXPECT_FALSE(horizontalBar());

  const std::wstring notice =
      L"Драйвер устройства не установлен: его программа установки лежит в \"C:\\Ритмон\\FTDIDriverInstall\"";
  log->Add(notice);
  EXPECT_EQ(log->ScrollWidth(), log->LineWidth(notice));
  EXPECT_GT(log->ScrollWidth(), client.right);
  EXPECT_TRUE(horizontalBar());
  SendMessageW(log->Handle(), WM_HSCROLL, SB_RIGHT, 0);
  RECT item{};
  SendMessageW(log->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_GT(GetScrollPos(log->Handle(), SB_HORZ), 0) << "scrolled to the line's end";
  EXPECT_GE(item.right - item.left, log->LineWidth(notice));

  log->Clear();
  EXPECT_EQ(log->ScrollWidth(), 0);

  // The bar that an outcome word brings takes room from below; the line it was added to stays in view.
  for (int i = 0; i < 20; ++i) log->Add(L"Копирование файла " + std::to_wstring(i) + L"....");
  EXPECT_FALSE(horizontalBar());
  log->SetLine(19, log->Line(19) + L"Завершено, и ещё очень длинное пояснение, которое не помещается в список");
  EXPECT_TRUE(horizontalBar());
  GetClientRect(log->Handle(), &client);
  SendMessageW(log->Handle(), LB_GETITEMRECT, 19, reinterpret_cast<LPARAM>(&item));
  EXPECT_LE(item.bottom, client.bottom) << "the last line went under the scroll bar";
  EXPECT_GE(item.top, 0);
}

TEST(Memo, LinesJoinedWithCrLf) {
  TestForm form;
  auto* memo = new TMemo(&form);
  memo->SetLines({L"Первая ", L"", L"Третья"});
  EXPECT_EQ(memo->Text(), L"Первая \r\n\r\nТретья");
  EXPECT_EQ(memo->Lines(), (std::vector<std::wstring>{L"Первая ", L"", L"Третья"}));
  EXPECT_TRUE(GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(memo->TabStop());
}

TEST(ProgressBar, StepsAndStartsOverPastTheMaximum) {
  TestForm form;
  auto* bar = new TProgressBar(&form);
  bar->SetRange(0, 25);
  bar->SetStep(1);
  for (int i = 0; i < 25; ++i) bar->StepIt();
  EXPECT_EQ(bar->Position(), 25);
  bar->StepIt();
  EXPECT_LT(bar->Position(), 25);
  EXPECT_TRUE(GetWindowLongW(bar->Handle(), GWL_STYLE) & PBS_SMOOTH);
}

TEST(Timer, RunsInTheMessageLoopWhileEnabled) {
  TestForm form;
  auto* timer = new TTimer(&form);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    if (++ticks == 3) timer->SetEnabled(false);
  };
  timer->SetInterval(10);
  EXPECT_FALSE(timer->Enabled()) << "a new timer waits to be enabled";
  timer->SetEnabled(true);
  const DWORD start = GetTickCount();
  while (ticks < 3 && GetTickCount() - start < 3000) {
    Application.ProcessMessages();
    Sleep(5);
  }
  EXPECT_EQ(ticks, 3);
  Sleep(50);
  Application.ProcessMessages();
  EXPECT_EQ(ticks, 3) << "disabled, it stays quiet";
}

TEST(ModalForm, RunsUntilClosedAndDisablesTheOtherForms) {
  TestForm owner;
  owner.Show();
  TestForm dialog;
  auto* timer = new TTimer(&dialog);
  bool ownerWasDisabled = false;
  timer->OnTimer = [&](TObject*) {
    ownerWasDisabled = !IsWindowEnabled(owner.Handle());
    timer->SetEnabled(false);
    dialog.Close();
  };
  timer->SetInterval(20);
  int shows = 0;
  dialog.OnShow = [&](TObject*) { ++shows; };
  int closes = 0;
  dialog.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  timer->SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(ownerWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(closes, 1);
}

TEST(MainForm, CloseQueryCanRefuseAndClosingEndsTheProgram) {
  TestForm main;
  ASSERT_EQ(Application.MainForm(), &main);
  bool allow = false;
  main.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  SendMessageW(main.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Application.Terminated());
  allow = true;
  SendMessageW(main.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application.Terminated());
}

TEST(MainForm, TitleOnTheApplicationWindowWhichMinimisesAndRestoresTheForms) {
  Application.Initialize();
  Application.SetTitle(L"Установка комплекса \"Ритмон-Vidoze\"");
  TestForm main;
  main.SetCaption(L"Установка комплекса");
  main.Show();
  EXPECT_EQ(GetWindow(main.Handle(), GW_OWNER), Application.Handle()) << "no task-bar button of its own";
  wchar_t title[64] = {};
  GetWindowTextW(Application.Handle(), title, 64);
  EXPECT_STREQ(title, L"Установка комплекса \"Ритмон-Vidoze\"");
  EXPECT_TRUE(IsWindowVisible(Application.Handle())) << "its task-bar button is there";

  SendMessageW(main.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Application.Handle()));
  EXPECT_FALSE(IsWindowVisible(main.Handle()));
  SendMessageW(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(Application.Handle()));
  EXPECT_TRUE(IsWindowVisible(main.Handle()));
}

TEST(Dialogs, StandardDialogsHaveTheirIconCaptionAndButtons) {
  ScriptedPrompts prompts;
  prompts.Answers = {IDOK, IDOK, IDNO, IDYES};
  EXPECT_EQ(MessageDlg(L"Ошибка пути", mtError, mbOK), IDOK);
  EXPECT_EQ(MessageDlg(L"Корень", mtWarning, mbOK), IDOK);
  EXPECT_EQ(MessageDlg(L"Отменить?", mtConfirmation, mbYesNo), IDNO);
  EXPECT_EQ(MessageDlg(L"Сведения", mtInformation, mbYesNo), IDYES);
  ASSERT_EQ(prompts.Boxes.size(), 4u);
  EXPECT_EQ(prompts.Boxes[0].Flags, UINT(MB_ICONERROR | MB_OK));
  EXPECT_EQ(prompts.Boxes[0].Caption, L"Ошибка");
  EXPECT_EQ(prompts.Boxes[1].Flags, UINT(MB_ICONWARNING | MB_OK));
  EXPECT_EQ(prompts.Boxes[1].Caption, L"Предупреждение");
  EXPECT_EQ(prompts.Boxes[2].Flags, UINT(MB_ICONQUESTION | MB_YESNO));
  EXPECT_EQ(prompts.Boxes[2].Caption, L"Подтверждение");
  EXPECT_EQ(prompts.Boxes[3].Caption, L"Информация");
}

TEST(GeneralErrorDisplay, ErrorThrownInAHandlerIsShownAndStopsThere) {
  ScriptedPrompts prompts;
  Application.SetTitle(L"Установка");
  TestForm form;
  auto* button = new TButton(&form, L"Сбой");
  button->OnClick = [](TObject*) { throw EProgramError(L"Не удалось создать папку \"C:\\Тест\\\"."); };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(prompts.Boxes.size(), 1u);
  EXPECT_EQ(prompts.Boxes[0].Text, L"Не удалось создать папку \"C:\\Тест\\\".");
  EXPECT_EQ(prompts.Boxes[0].Caption, L"Установка");
  EXPECT_EQ(prompts.Boxes[0].Flags, UINT(MB_OK | MB_ICONERROR));
}

TEST(LoadResourcePng, OpaqueImageOfTheResourceSize) {
  TBitmap32 logo, bar;
  LoadResourcePng(logo, L"LOGO");
  EXPECT_EQ(logo.Width(), 72);
  EXPECT_EQ(logo.Height(), 70);
  LoadResourcePng(bar, L"TITLE_PNL_L");
  ASSERT_EQ(bar.Width(), 22);
  ASSERT_EQ(bar.Height(), 100);
  TBitmap32 withAlpha;
  LoadResourcePngWithAlpha(withAlpha, L"TITLE_PNL_L");
  bool someTransparent = false;
  for (int y = 0; y < bar.Height(); ++y)
    for (int x = 0; x < bar.Width(); ++x) {
      EXPECT_EQ(bar.Pixel(x, y) >> 24, 0xFFu);
      if (withAlpha.Pixel(x, y) >> 24 == 0) {
        someTransparent = true;
        EXPECT_EQ(bar.Pixel(x, y), 0xFFFFFFFFu) << "transparent pixels become white";
      }
    }
  EXPECT_TRUE(someTransparent);
}

TEST(LoadResourcePng, MissingOrInvalidResourceRaisesAClearError) {
  struct Case {
    const wchar_t* Resource;
    const wchar_t* Expected;
  };
  for (const Case& c : {Case{L"NO_SUCH_IMAGE", L"Ресурс \"NO_SUCH_IMAGE\" не найден"},
                        Case{L"INFO", L"Ресурс \"INFO\" не является правильным изображением PNG"}}) {
    TBitmap32 bitmap(3, 3, 0xFF123456u);
    try {
      LoadResourcePng(bitmap, c.Resource);
      ADD_FAILURE() << "no error for " << ToUtf8(c.Resource);
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text().rfind(c.Expected, 0), 0u) << error.what();
    }
  }
}

TEST(Bitmap32, DrawReplacesPixelsAndClipsAtEveryEdge) {
  TBitmap32 target(4, 3, 1), source(3, 2, 7);
  source.SetPixel(0, 0, 9);
  target.Draw(-1, 2, source);
  const std::vector<uint32_t> expected = {1, 1, 1, 1,  //
                                          1, 1, 1, 1,  //
                                          7, 7, 1, 1};
  EXPECT_EQ(std::vector<uint32_t>(target.Bits(), target.Bits() + 12), expected);
  target.Draw(3, -1, source);
  EXPECT_EQ(target.Pixel(3, 0), 7u);
  target.Draw(4, 0, source);
  target.Draw(0, 3, source);
  EXPECT_EQ(target.Pixel(0, 2), 7u) << "nothing drawn outside";
}

TEST(RichEdit, LoadsRtfFromResourceAndRejectsOtherData) {
  TestForm form;
  auto* rich = new TRichEdit(&form);
  rich->SetBounds(0, 0, 200, 200);
  rich->LoadRtfFromResource(L"INFO");
  EXPECT_GT(rich->PlainText().size(), 20u);
  EXPECT_NE(rich->PlainText().find(L"Разработка"), std::wstring::npos) << "code page 1251 text decoded";
  EXPECT_THROW(rich->LoadRtfFromResource(L"NO_SUCH_TEXT"), EProgramError);
  EXPECT_THROW(rich->LoadRtfFromResource(L"LOGO"), EProgramError);
}

}  // namespace

TEST(RichText, SizesScaleForAnotherScreenResolution) {
  struct Case {
    const char *In, *Out;
  };
  const Case cases[] = {
      {"{\\rtf1\\pard\\sa80\\f0\\fs18 x\\par}", "{\\rtf1\\pard\\sa64\\f0\\fs14 x\\par}"},  // 96/120
      {"\\fs20\\sb160\\li-200\\ri30\\fi15 ", "\\fs16\\sb128\\li-160\\ri24\\fi12 "},        // spacings round
      {"\\fswiss\\fcharset204\\f1\\sa\\fs ", "\\fswiss\\fcharset204\\f1\\sa\\fs "},        // not sizes
      {"text \\\\fs18 stays text", "text \\\\fs18 stays text"},                         // an escaped backslash
      {"\\fs1 tiny", "\\fs1 tiny"},                                                      // never below 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    EXPECT_EQ(ScaleRtfSizes(c.In, 96, 120), c.Out);
  }
  EXPECT_EQ(ScaleRtfSizes("\\fs18\\sa80", 96, 96), "\\fs18\\sa80") << "the same resolution changes nothing";
}
