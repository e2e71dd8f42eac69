// The wizard's pages: their button bars, texts and controls, laid out as the designer placed them.
#include "InstallContext.h"
#include "Main.h"
#include "MainControlIds.h"

namespace {

// Bar buttons share one look.
constexpr TColor BarFrameColor = RGB(0, 60, 116);
constexpr TColor BarFaceColor = RGB(244, 244, 240);

TFont TimesFont() { return TFont(L"Times New Roman", 20, RUSSIAN_CHARSET, clNavy); }
TFont TahomaFont() { return TFont(L"Tahoma", 15, RUSSIAN_CHARSET, clWindowText); }

}  // namespace

TNotifyEvent TFMain::Guarded(void (TFMain::*Handler)(TObject*)) {
  // No button of the pages acts while the installation runs: the pages behind the progress page are
  // hidden, yet a click queued before the switch, or one sent by another program, still arrives.
  return [this, Handler](TObject* Sender) {
    if (FInstallRunning) return;
    (this->*Handler)(Sender);
  };
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
  // Welcome.
  tsStart = new TTabSheet(InsatallPages, L"tsStart");
  tsStart->SetBuilder([this] { BuildStartPage(); });
  // Target folder.
  tsInputPath = new TTabSheet(InsatallPages, L"tsInputPath");
  tsInputPath->SetBuilder([this] { BuildInputPathPage(); });
  // Components and the driver option.
  tsInputComponents = new TTabSheet(InsatallPages, L"tsInputComponents");
  tsInputComponents->OnShow = [this](TObject* Sender) { tsInputComponentsShow(Sender); };
  tsInputComponents->SetBuilder([this] { BuildInputComponentsPage(); });
  // Installation progress.
  tsProgressInstall = new TTabSheet(InsatallPages, L"tsProgressInstall");
  tsProgressInstall->SetBuilder([this] { BuildProgressPage(); });
  // Cancelled.
  tsCancel = new TTabSheet(InsatallPages, L"tsCancel");
  tsCancel->SetBuilder([this] { BuildCancelPage(); });
  // Large fonts recommended.
  tsChangeFontSize = new TTabSheet(InsatallPages, L"tsChangeFontSize");
  tsChangeFontSize->SetBuilder([this] { BuildChangeFontSizePage(); });
}

void TFMain::BuildStartPage() {
  TPanel* bar = AddButtonBar(tsStart, 42);
  BtnCancel = AddBarButton(bar, L"О&тмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL);
  BtnCancel->OnClick = Guarded(&TFMain::BtnCancelClick);
  BtnStartNext = AddBarButton(bar, L"&Далее", 98, alRight, L"GLYPH_NEXT", IDC_BTNSTARTNEXT);
  BtnStartNext->OnClick = Guarded(&TFMain::BtnStartNextClick);
  BtnStartNext->SetDefault(true);
  BtnCancel->SetCancel(true);
  tsStart->SetActiveControl(BtnStartNext);
  AddSpacer(tsStart, 4);
  MemoStart = AddMemo(tsStart, TimesFont(),
                      {L"Добро пожаловать в программу установки комплекса ",
                       L"\"РИТМОН-ХОЛТЕР\"!",
                       L"",
                       L"Для продолжения установки, нажмите кнопку \"Далее\".",
                       L"",
                       L"Для выхода из программы установки нажмите кнопку \"Отмена\"."},
                      IDC_MEMOSTART);
  MemoStart->SetAlign(alClient);
}

void TFMain::BuildInputPathPage() {
  TPanel* bar = AddButtonBar(tsInputPath, 37);
  BtnCancel2 = AddBarButton(bar, L"О&тмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL2);
  BtnCancel2->OnClick = Guarded(&TFMain::BtnCancelClick);
  BtnInputPathNext = AddBarButton(bar, L"&Далее", 98, alRight, L"GLYPH_NEXT", IDC_BTNINPUTPATHNEXT);
  BtnInputPathNext->OnClick = Guarded(&TFMain::BtnInputPathNextClick);
  TFont black = TimesFont();
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
  BtnSelectPath = new TButton(PnlPath, L"&Выбрать");
  BtnSelectPath->SetControlId(IDC_BTNSELECTPATH);
  BtnSelectPath->SetWidth(91);
  BtnSelectPath->SetFaceColor(RGB(244, 244, 240));
  BtnSelectPath->SetHighlightColor(RGB(106, 141, 244));
  BtnSelectPath->SetHotTrackColor(RGB(255, 199, 60));
  BtnSelectPath->SetGlyph(L"GLYPH_FOLDER");
  BtnSelectPath->SetAlign(alRight);
  BtnSelectPath->OnClick = Guarded(&TFMain::BtnSelectPathClick);
  ePath = new TEdit(PnlPath);
  ePath->SetControlId(IDC_EPATH);
  ePath->SetFrameStyle(RzFrameController1);
  ePath->SetAlign(alClient);
  ePath->OnChange = [this](TObject* Sender) { ePathChange(Sender); };
  lblDiskSpace = new TLabel(tsInputPath);
  lblDiskSpace->SetControlId(IDC_LBLDISKSPACE);
  lblDiskSpace->SetFont(TahomaFont());
  lblDiskSpace->SetAutoSize(false);
  lblDiskSpace->SetHeight(28);
  lblDiskSpace->SetLayout(tlCenter);
  lblDiskSpace->SetAlign(alTop);
  // Named by the text above it, which a screen reader would not find in the panel.
  std::wstring prompt;
  for (const std::wstring& line : MemoInputPath->Lines()) prompt += line;
  ePath->SetAccessibleName(prompt);
  BtnInputPathNext->SetDefault(true);
  BtnCancel2->SetCancel(true);
  tsInputPath->SetActiveControl(ePath);
  // Tab goes in reading order: the folder box, its browse button, then the bar.
  BtnSelectPath->SendToBack();
  bar->SendToBack();
  // The folder box's panel border disappears into the page.
  PnlPath->SetBorderColor(InsatallPages->Color());
  // Last: the box's change handler fills in the space label.
  ePath->SetText(DefaultTargetFolder());
}

void TFMain::BuildInputComponentsPage() {
  TPanel* bar = AddButtonBar(tsInputComponents, 37);
  BtnCancel4 = AddBarButton(bar, L"О&тмена", 99, alLeft, L"GLYPH_CANCEL", IDC_BTNCANCEL4);
  BtnCancel4->OnClick = Guarded(&TFMain::BtnCancelClick);
  BtnInsatall = AddBarButton(bar, L"&Начать установку", 168, alRight, L"GLYPH_INSTALL", IDC_BTNINSATALL);
  BtnInsatall->OnClick = Guarded(&TFMain::BtnInsatallClick);
  BtnInputComponentsBack = AddBarButton(bar, L"На&зад", 98, alRight, L"GLYPH_BACK", IDC_BTNINPUTCOMPONENTSBACK);
  BtnInputComponentsBack->OnClick = Guarded(&TFMain::BtnInputComponentsBackClick);
  BtnInputComponentsBack->SetMargins(0, 0, 4, 0);
  AddSpacer(tsInputComponents, 4);
  PnlDriver = new TPanel(tsInputComponents);
  PnlDriver->SetHeight(123);
  PnlDriver->SetBorderStyle(pbFlatRounded);
  PnlDriver->SetBorderWidth(1);
  PnlDriver->SetAlign(alBottom);
  CbDriverInstal = new TCheckBox(PnlDriver, L"&Устанавливать драйвер");
  CbDriverInstal->SetControlId(IDC_CBDRIVERINSTAL);
  CbDriverInstal->SetBounds(16, 14, 300, 22);
  CbDriverInstal->SetChecked(true);
  MemoInputComponents =
      AddMemo(tsInputComponents, TahomaFont(),
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
  BtnInsatall->SetDefault(true);
  BtnCancel4->SetCancel(true);
  tsInputComponents->SetActiveControl(BtnInsatall);
  // Tab goes in reading order: the check box, then the bar from left to right.
  BtnInsatall->SendToBack();
  bar->SendToBack();
}

void TFMain::BuildProgressPage() {
  TPanel* bar = AddButtonBar(tsProgressInstall, 37);
  BtnExit = AddBarButton(bar, L"В&ыход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXIT);
  BtnExit->OnClick = Guarded(&TFMain::BtnExitClick);
  // In the free part of the button bar, so the log keeps its place and size.
  PbInstall = new TProgressBar(bar);
  PbInstall->SetControlId(IDC_PBINSTALL);
  PbInstall->SetRange(0, ProgressBarEnd);
  PbInstall->SetMargins(8, 8, 12, 8);
  PbInstall->SetAlign(alClient);
  PbInstall->SetAccessibleName(L"Ход установки");
  AddSpacer(tsProgressInstall, 4);
  LogList = new TLogList(tsProgressInstall, 18);
  LogList->SetControlId(IDC_LOGLIST);
  TFrameStyle logFrame;
  logFrame.HotFrameColor = RGB(0, 128, 255);
  LogList->SetFrameStyle(logFrame);
  LogList->SetTabStop(false);
  LogList->SetAlign(alClient);
  LogList->SetAccessibleName(L"Журнал установки");
  LogList->Hide();
  BtnExit->SetDefault(true);
  // Enabled by the installation when it has finished.
  BtnExit->SetEnabled(false);
  tsProgressInstall->SetActiveControl(BtnExit);
}

void TFMain::BuildCancelPage() {
  TPanel* bar = AddButtonBar(tsCancel, 37);
  BtnExitCancel = AddBarButton(bar, L"В&ыход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXITCANCEL);
  BtnExitCancel->OnClick = Guarded(&TFMain::BtnExitClick);
  TFont maroon = TimesFont();
  maroon.Color = clMaroon;
  MemoCancel = AddMemo(tsCancel, maroon,
                       {L"Установка комплекса \"Ритмон-Vidoze\" отменена!",
                        L"",
                        L"Нажмите кнопку \"Выход\", для выхода из программы установки."},
                       IDC_MEMOCANCEL);
  MemoCancel->SetHeight(177);
  MemoCancel->SetAlign(alTop);
  BtnExitCancel->SetDefault(true);
  tsCancel->SetActiveControl(BtnExitCancel);
}

void TFMain::BuildChangeFontSizePage() {
  TPanel* bar = AddButtonBar(tsChangeFontSize, 37);
  BtnExitOnChangefont = AddBarButton(bar, L"В&ыход", 99, alRight, L"GLYPH_EXIT", IDC_BTNEXITONCHANGEFONT);
  BtnExitOnChangefont->OnClick = Guarded(&TFMain::BtnExitClick);
  BtnChangeFont = AddBarButton(bar, L"&Изменить настройки", 196, alRight, L"GLYPH_FONT", IDC_BTNCHANGEFONT);
  BtnChangeFont->SetMargins(0, 0, 4, 0);
  BtnChangeFont->OnClick = Guarded(&TFMain::BtnChangeFontClick);
  AddSpacer(tsChangeFontSize, 3);
  MemoChangeFontSize =
      AddMemo(tsChangeFontSize, TahomaFont(),
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
  BtnChangeFont->SetDefault(true);
  tsChangeFontSize->SetActiveControl(BtnChangeFont);
  // Tab goes in reading order: the bar from left to right.
  BtnExitOnChangefont->SendToBack();
}
