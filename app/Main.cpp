#include "Main.h"

#include <shlobj.h>

#include "Background.h"
#include "FileOps.h"
#include "InstallSequence.h"
#include "LargeFonts.h"
#include "TargetFolder.h"
#include "UnattendedContext.h"
#include "MainControlIds.h"
#include "RH_Common_Proc.h"
#include "ResourceIds.h"

TFMain* FMain = nullptr;
bool IsSiblingProduct = false;

const wchar_t* const DriverNoticeText =
    L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
    L" снимите галочку установки драйвера!";

namespace {

// Bar buttons share one look.
constexpr TColor BarFrameColor = RGB(0, 60, 116);
constexpr TColor BarFaceColor = RGB(244, 244, 240);

}  // namespace

bool IsSiblingProductName(const std::wstring& ProductName) {
  return UpperCase(ProductName) == UpperCase(L"Велена");
}

TFMain::TFMain() : TForm(L"TFMain") {
  SetCaption(L"Установка комплекса");
  SetBorderStyle(bsSingle);
  SetBorderIcons(true, true, false);  // a window of fixed size has nothing to maximise
  SetClientSize(954, 579);
  SetPosition(poScreenCenter);
  SetFont(TFont(L"MS Sans Serif", 13));
  SetColor(clBtnFace);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  SetIcon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_INSTALL), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));

  // BG gets its size (and so composes the picture) once FormCreate has loaded the images.
  BG = new TPaintBox32(this);
  BG->SetName(L"BG");
  BG->OnResize = [this](TObject* Sender) { BGResize(Sender); };

  RichEdit1 = new TRichEdit(this);
  RichEdit1->SetName(L"RichEdit1");
  RichEdit1->SetControlId(IDC_RICHEDIT1);
  RichEdit1->SetFont(TFont(L"MS Sans Serif", 13, RUSSIAN_CHARSET));
  RichEdit1->SetInnerBorder(4);
  RichEdit1->SetText(L"RichEdit1");
  RichEdit1->SetTabStop(false);

  InsatallPages = new TPageControl(this);
  InsatallPages->SetName(L"InsatallPages");
  InsatallPages->SetFont(TFont(L"Tahoma", 15, RUSSIAN_CHARSET));

  RzFrameController1.FrameColor = clBtnFace;
  RzFrameController1.HotFrameColor = RGB(0, 128, 255);
  RzFrameController1.FrameVisible = true;

  CreatePages();
  FormCreate(this);
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };

  BG->SendToBack();
  BG->SetAlign(alClient);
}

TPanel* TFMain::AddButtonBar(TTabSheet* Page, int Height) {
  auto* bar = new TPanel(Page);
  bar->SetHeight(Height);
  bar->SetBorderStyle(pbFlatRounded);
  bar->SetBorderWidth(1);
  bar->SetPadding(1, 1, 1, 1);
  bar->SetAlign(alBottom);
  return bar;
}

void TFMain::AddSpacer(TTabSheet* Page, int Height) {
  auto* spacer = new TPanel(Page);
  spacer->SetHeight(Height);
  spacer->SetAlign(alBottom);
}

TButton* TFMain::AddBarButton(TPanel* Bar, const std::wstring& Caption, int Width, TAlign Align,
                              const wchar_t* Glyph, int Id) {
  auto* button = new TButton(Bar, Caption);
  button->SetControlId(Id);
  button->SetWidth(Width);
  button->SetFrameColor(BarFrameColor);
  button->SetFaceColor(BarFaceColor);
  button->SetHotTrack(true);
  button->SetGlyph(Glyph);
  button->SetAlign(Align);
  return button;
}

TMemo* TFMain::AddMemo(TTabSheet* Page, const TFont& Font, const std::vector<std::wstring>& Lines, int Id) {
  auto* memo = new TMemo(Page);
  memo->SetControlId(Id);
  memo->SetFont(Font);
  memo->SetLines(Lines);
  return memo;
}

void TFMain::CreatePages() {
  const TFont times(L"Times New Roman", 20, RUSSIAN_CHARSET, clNavy);
  const TFont tahoma(L"Tahoma", 15, RUSSIAN_CHARSET, clWindowText);
  auto click = [this](void (TFMain::*Handler)(TObject*)) {
    return [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
  };

  // Welcome.
  tsStart = new TTabSheet(InsatallPages, L"tsStart");
  TPanel* bar = AddButtonBar(tsStart, 42);
  BtnCancel = AddBarButton(bar, L"Отмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL);
  BtnCancel->OnClick = click(&TFMain::BtnCancelClick);
  BtnStartNext = AddBarButton(bar, L"Далее", 98, alRight, L"GLYPH_NEXT", IDC_BTNSTARTNEXT);
  BtnStartNext->OnClick = click(&TFMain::BtnStartNextClick);
  AddSpacer(tsStart, 4);
  MemoStart = AddMemo(tsStart, times,
                      {L"Добро пожаловать в программу установки комплекса ",
                       L"\"РИТМОН-ХОЛТЕР\"!",
                       L"",
                       L"Для продолжения установки, нажмите кнопку \"Далее\".",
                       L"",
                       L"Для выхода из программы установки нажмите кнопку \"Отмена\"."},
                      IDC_MEMOSTART);
  MemoStart->SetAlign(alClient);

  // Target folder.
  tsInputPath = new TTabSheet(InsatallPages, L"tsInputPath");
  bar = AddButtonBar(tsInputPath, 37);
  BtnCancel2 = AddBarButton(bar, L"Отмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL2);
  BtnCancel2->OnClick = click(&TFMain::BtnCancelClick);
  BtnInputPathNext = AddBarButton(bar, L"Далее", 98, alRight, L"GLYPH_NEXT", IDC_BTNINPUTPATHNEXT);
  BtnInputPathNext->OnClick = click(&TFMain::BtnInputPathNextClick);
  TFont black = times;
  black.Color = clBlack;
  MemoInputPath = AddMemo(tsInputPath, black,
                          {L"Пожалуйста, задайте путь куда устанавливать программную часть ",
                           L"комплекса \"Ритмон-Vidoze\""},
                          IDC_MEMOINPUTPATH);
  MemoInputPath->SetHeight(60);
  MemoInputPath->SetAlign(alTop);
  PnlPath = new TPanel(tsInputPath);
  PnlPath->SetHeight(32);
  PnlPath->SetBorderStyle(pbFlatRounded);
  PnlPath->SetBorderWidth(2);
  PnlPath->SetAlign(alTop);
  BtnSelectPath = new TButton(PnlPath, L"Выбрать");
  BtnSelectPath->SetControlId(IDC_BTNSELECTPATH);
  BtnSelectPath->SetWidth(91);
  BtnSelectPath->SetFaceColor(RGB(244, 244, 240));
  BtnSelectPath->SetHighlightColor(RGB(106, 141, 244));
  BtnSelectPath->SetHotTrackColor(RGB(255, 199, 60));
  BtnSelectPath->SetGlyph(L"GLYPH_FOLDER");
  BtnSelectPath->SetAlign(alRight);
  BtnSelectPath->OnClick = click(&TFMain::BtnSelectPathClick);
  ePath = new TEdit(PnlPath);
  ePath->SetControlId(IDC_EPATH);
  ePath->SetFrameStyle(RzFrameController1);
  ePath->SetText(L"ePath");
  ePath->SetAlign(alClient);

  // Components and the driver option.
  tsInputComponents = new TTabSheet(InsatallPages, L"tsInputComponents");
  tsInputComponents->OnShow = [this](TObject* Sender) { tsInputComponentsShow(Sender); };
  bar = AddButtonBar(tsInputComponents, 37);
  BtnCancel4 = AddBarButton(bar, L"Отмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL4);
  BtnCancel4->OnClick = click(&TFMain::BtnCancelClick);
  BtnInsatall = AddBarButton(bar, L"Начать установку", 168, alRight, L"GLYPH_INSTALL", IDC_BTNINSATALL);
  BtnInsatall->OnClick = click(&TFMain::BtnInsatallClick);
  BtnInputComponentsBack = AddBarButton(bar, L"Назад", 98, alRight, L"GLYPH_BACK", IDC_BTNINPUTCOMPONENTSBACK);
  BtnInputComponentsBack->OnClick = click(&TFMain::BtnInputComponentsBackClick);
  BtnInputComponentsBack->SetMargins(0, 0, 4, 0);
  AddSpacer(tsInputComponents, 4);
  PnlDriver = new TPanel(tsInputComponents);
  PnlDriver->SetHeight(123);
  PnlDriver->SetBorderStyle(pbFlatRounded);
  PnlDriver->SetBorderWidth(1);
  PnlDriver->SetAlign(alBottom);
  CbDriverInstal = new TCheckBox(PnlDriver, L"Устанавливать драйвер");
  CbDriverInstal->SetControlId(IDC_CBDRIVERINSTAL);
  CbDriverInstal->SetBounds(16, 14, 300, 22);
  CbDriverInstal->SetChecked(true);
  MemoInputComponents =
      AddMemo(tsInputComponents, tahoma,
              {L" - Если у Вас есть 2-х канальный кабель для регистрации детских ЭКГ, поставьте ",
               L"галочку в поле \"Регистрация 2-х канальной ЭКГ\".",
               L" - Если у Вас есть универсальный регистратор, поставьте галочку в поле ",
               L"\"Универсальный регистратор\".",
               L" - Если у Вас установлен монитор АД \"Tonvik\", поставьте галочку в поле \"установлен ",
               L"монитор АД \"Tonvik\"\".",
               L"",
               L" - Задайте, пожалуйста, тип ЭКГ, который Вы чаще всего будете регистрировать.",
               L"",
               L" - Нажмите кнопку \"Начать установку\", для того чтобы установить программное ",
               L"обеспечение на Ваш компъютер.",
               L"",
               L"Все настройки можно изменить позже, во время работы с программой ",
               L"\"Ритмон-Vidoze\" в меню \"Настройки\"."},
              IDC_MEMOINPUTCOMPONENTS);
  MemoInputComponents->SetAlign(alClient);

  // Installation progress.
  tsProgressInstall = new TTabSheet(InsatallPages, L"tsProgressInstall");
  bar = AddButtonBar(tsProgressInstall, 37);
  BtnExit = AddBarButton(bar, L"Выход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXIT);
  BtnExit->OnClick = click(&TFMain::BtnExitClick);
  AddSpacer(tsProgressInstall, 4);
  LogList = new TLogList(tsProgressInstall, 18);
  LogList->SetControlId(IDC_LOGLIST);
  TFrameStyle logFrame;
  logFrame.HotFrameColor = RGB(0, 128, 255);
  LogList->SetFrameStyle(logFrame);
  LogList->SetTabStop(false);
  LogList->SetAlign(alClient);
  LogList->Hide();

  // Cancelled.
  tsCancel = new TTabSheet(InsatallPages, L"tsCancel");
  bar = AddButtonBar(tsCancel, 37);
  BtnExitCancel = AddBarButton(bar, L"Выход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXITCANCEL);
  BtnExitCancel->OnClick = click(&TFMain::BtnExitClick);
  TFont maroon = times;
  maroon.Color = clMaroon;
  MemoCancel = AddMemo(tsCancel, maroon,
                       {L"Установка комплекса \"Ритмон-Vidoze\" отменена!",
                        L"",
                        L"Нажмите кнопку \"Выход\", для выхода из программы установки."},
                       IDC_MEMOCANCEL);
  MemoCancel->SetHeight(177);
  MemoCancel->SetAlign(alTop);

  // Large fonts recommended.
  tsChangeFontSize = new TTabSheet(InsatallPages, L"tsChangeFontSize");
  bar = AddButtonBar(tsChangeFontSize, 37);
  BtnExitOnChangefont = AddBarButton(bar, L"Выход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXITONCHANGEFONT);
  BtnExitOnChangefont->OnClick = click(&TFMain::BtnExitClick);
  BtnChangeFont = AddBarButton(bar, L"Изменить настройки", 196, alRight, L"GLYPH_FONT", IDC_BTNCHANGEFONT);
  BtnChangeFont->SetMargins(0, 0, 4, 0);
  BtnChangeFont->OnClick = click(&TFMain::BtnChangeFontClick);
  AddSpacer(tsChangeFontSize, 3);
  MemoChangeFontSize =
      AddMemo(tsChangeFontSize, tahoma,
              {L"В настройках операционной системы Вашего компьютера выбрано использование ",
               L"\"мелкого\" размера шрифта.",
               L"",
               L"Для корректной работы программы \"Ритмон-Vidoze\" требуется использование ",
               L"\"крупного\" размера шрифта.",
               L"",
               L"Рекомендуется произвести изменения. Для этого надо нажать кнопку \"Изменить ",
               L"настройки\". В появившемся окне надо ответить \"Да\".",
               L"",
               L"Если Вы считаете, что установка \"крупного\" размера шрифта Вам не нужна, ",
               L"нажмите кнопку \"Выход\"."},
              IDC_MEMOCHANGEFONTSIZE);
  MemoChangeFontSize->SetAlign(alClient);
}

void TFMain::FormCreate(TObject* Sender) {
  (void)Sender;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // 1. The images; a missing or broken one ends the start with the loader's error.
  LoadResourcePng(BG_bmp, L"BACKGROUND");
  LoadResourcePng(Panels_bmp, L"MAIN");
  LoadResourcePng(Logo_bmp, L"LOGO");
  LoadResourcePng(Title_pnl_l_bmp, L"TITLE_PNL_L");
  LoadResourcePng(Title_pnl_r_bmp, L"TITLE_PNL_R");
  LoadResourcePng(Title_pnl_m_bmp, L"TITLE_PNL_M");
  LoadResourcePng(Title_bmp, L"TITLE");
  // 2. The sibling product.
  IsSiblingProduct = IsSiblingProductName(LoadResString(instance, IDS_PRODUCT_NAME));
  // 3. The information text.
  // The pane keeps its pixel size at any DPI, so its text keeps the pixel size it has at 96 DPI.
  RichEdit1->LoadRtfFromResource(L"INFO", 96, ScreenLogPixels());
  // 4. The default target folder.
  AppNameStr = LoadResString(instance, IDS_APP_FOLDER);
  ePath->SetText(L"C:\\" + AppNameStr);
  // 5.
  FCanClose = true;
  // 6. The page control never shows tabs; the welcome page comes first.
  InsatallPages->SetActivePage(tsStart);
  // 7. Enabled by the installation when it has finished.
  BtnExit->SetEnabled(false);
  // 8. The pane and the pages in the colour of the title image's corner.
  const TColor paneColor = Color32ToWinColor(Title_bmp.Pixel(0, 0));
  RichEdit1->SetColor(paneColor);
  InsatallPages->SetColor(paneColor);
  // 9. The folder box's panel border disappears into the page.
  PnlPath->SetBorderColor(InsatallPages->Color());
}

void TFMain::BGResize(TObject* Sender) {
  (void)Sender;
  BG->BeginUpdate();
  ComposeBackground(BG->Buffer(), {BG_bmp, Title_pnl_l_bmp, Title_pnl_r_bmp, Title_pnl_m_bmp, Logo_bmp,
                                   Title_bmp, Panels_bmp});
  RichEdit1->SetBounds(InfoPaneBounds.left, InfoPaneBounds.top, InfoPaneBounds.right - InfoPaneBounds.left,
                       InfoPaneBounds.bottom - InfoPaneBounds.top);
  InsatallPages->SetBounds(PagesBounds.left, PagesBounds.top, PagesBounds.right - PagesBounds.left,
                           PagesBounds.bottom - PagesBounds.top);
  BG->EndUpdate();
  BG->Repaint();
}

void TFMain::BtnStartNextClick(TObject* Sender) {
  (void)Sender;
  InsatallPages->SetActivePage(tsInputPath);
  ePath->SetFocus();
}

void TFMain::BtnSelectPathClick(TObject* Sender) {
  (void)Sender;
  std::wstring folder;
  // The typed folder is not passed: the browser starts at the top of the shell namespace.
  if (SelectFolder(L"Выберете путь для установки программ",
                   BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON, folder))
    ePath->SetText(folder);
}

void TFMain::BtnInputPathNextClick(TObject* Sender) {
  (void)Sender;
  std::wstring path;
  const TTargetCheck check = CheckTargetFolder(ePath->Text(), path);
  if (check == tcEmpty) {
    MessageDlg(L"Не выбран путь для установки программы!", mtError, mbOK);
    ePath->SetFocus();
    return;
  }
  ePath->SetText(path);
  if (check == tcRoot) {
    MessageDlg(L"Программу нелзя устанавливать в корневой каталог!", mtWarning, mbOK);
    ePath->SetFocus();
    return;
  }
  PrepareTargetFolder(path);
  InsatallPages->SetActivePage(tsInputComponents);
}

void TFMain::tsInputComponentsShow(TObject* Sender) {
  (void)Sender;
  if (MessageWindow) MessageWindow(DriverNoticeText, mtMessage, L"", 0);
}

void TFMain::BtnInputComponentsBackClick(TObject* Sender) {
  (void)Sender;
  InsatallPages->SetActivePage(tsInputPath);
}

// The installation as the main window shows it: the log on the progress page, the program's message
// boxes, the close query and the hourglass.
class TMainWindowInstall : public TInstallContext {
 public:
  explicit TMainWindowInstall(TFMain& Form) : F(Form) {}
  // Each change is painted at once: between the points where the run handles its messages (the fonts,
  // the driver, the backup levels) the list would otherwise show stale or half-scrolled lines.
  int AddLine(const std::wstring& Text) override {
    const int line = F.LogList->Add(Text);
    UpdateWindow(F.LogList->Handle());
    return line;
  }
  void AppendOutcome(int Line, const std::wstring& Word) override {
    F.LogList->SetLine(Line, F.LogList->Line(Line) + Word);
    UpdateWindow(F.LogList->Handle());
  }
  void ShowProgress() override {
    F.LogList->Clear();
    F.LogList->Show();
    F.InsatallPages->SetActivePage(F.tsProgressInstall);
  }
  void ProcessMessages() override { Application.ProcessMessages(); }
  void RepaintLog() override { F.LogList->Repaint(); }
  bool AskYesNo(const std::wstring& Question) override {
    return MessageDlg(Question, mtConfirmation, mbYesNo) == mrYes;
  }
  // The general error display, for the folder errors as for the errors that end the run.
  void ShowError(const std::wstring& Text) override { Application.ShowException(Text); }
  void SetBusy(bool Busy) override {
    F.FCanClose = !Busy;
    Application.SetBusyCursor(Busy);
  }
  void EnableExit() override { F.BtnExit->SetEnabled(true); }
  bool ShowFontSizePage() override {
    F.InsatallPages->SetActivePage(F.tsChangeFontSize);
    return true;
  }
  void CloseProgram() override { F.Close(); }

 private:
  TFMain& F;
};

TInstallPlan ProgramPlan(const std::wstring& Target, bool DriverInstall) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  TInstallPlan plan;
  // A relative name counts from the program's folder, the current one now; the stages get it whole,
  // since a stage changes the current folder.
  plan.Target = FullFolderPath(Target);
  plan.Source = ProgramFolder();
  plan.DriverInstall = DriverInstall;
  plan.ProductName = LoadResString(instance, IDS_PRODUCT_NAME);
  plan.SiblingProduct = IsSiblingProductName(plan.ProductName);
  plan.ProductDescription = LoadResString(instance, IDS_PRODUCT_DESCRIPTION);
  plan.MainProgram = LoadResString(instance, IDS_MAIN_PROGRAM);
  return plan;
}

void TFMain::BtnInsatallClick(TObject* Sender) {
  (void)Sender;
  // The folder page left the target trimmed with its backslash.
  const TInstallPlan plan = ProgramPlan(TrimBlanks(ePath->Text()), CbDriverInstal->Checked());
  Fcopyfrom = plan.Source;
  TMainWindowInstall window(*this);
  FExitCode = ExitCodeOf(RunInstallation(window, plan));
}

int TFMain::InstallUnattended(const std::wstring& Target, bool DriverInstall, const std::wstring& LogFile) {
  ePath->SetText(Target);
  CbDriverInstal->SetChecked(DriverInstall);
  TInstallPlan plan = ProgramPlan(Target, DriverInstall);
  plan.LogFile = LogFile;
  Fcopyfrom = plan.Source;
  TMainWindowInstall window(*this);
  TUnattendedContext unattended(&window);
  FExitCode = ExitCodeOf(RunInstallation(unattended, plan));
  return FExitCode;
}

void TFMain::BtnCancelClick(TObject* Sender) {
  (void)Sender;
  if (MessageDlg(L"Вы уверены, что хотите отменить процесс установки?", mtConfirmation, mbYesNo) != mrYes) return;
  FCanClose = true;
  InsatallPages->SetActivePage(tsCancel);
}

void TFMain::BtnExitClick(TObject* Sender) {
  (void)Sender;
  Close();
}

void TFMain::ChangeFontSize() { SwitchToLargeFonts(); }

void TFMain::BtnChangeFontClick(TObject* Sender) {
  (void)Sender;
  // Asked whatever the switch achieved: the operator may have changed the setting in its own window.
  ChangeFontSize();
  if (MessageDlg(L"Изменения в настройки внесены, для того чтобы они\r\n"
                 L"вступили в силу, требуется перзагрузить операционную систему.\r\n"
                 L"Выполнить перезагрузку сейчас?",
                 mtWarning, mbYesNo) != mrYes)
    return;
  RestartWindows(RestartAfterFontChangeFlags);
  Close();
}

void TFMain::FormCloseQuery(TObject* Sender, bool& CanClose) {
  (void)Sender;
  CanClose = FCanClose;
}
