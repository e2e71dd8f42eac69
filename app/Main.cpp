#include "Main.h"

#include <shlobj.h>

#include "Background.h"
#include "DiskSpace.h"
#include "FileOps.h"
#include "InstallSequence.h"
#include "LargeFonts.h"
#include "MainWindowInstall.h"
#include "TargetFolder.h"
#include "UnattendedContext.h"
#include "MainControlIds.h"
#include "RH_Common_Proc.h"
#include "ResourceIds.h"
#include "Text.h"

TFMain* FMain = nullptr;
bool IsSiblingProduct = false;

const wchar_t* const DriverNoticeText =
    L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
    L" снимите галочку установки драйвера!";

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
  // In place before the information text and the first page are laid out: a pane of no width would wrap
  // the text at every letter, and everything would be laid out again at the real size.
  PlacePanes();

  RzFrameController1.FrameColor = clBtnFace;
  RzFrameController1.HotFrameColor = RGB(0, 128, 255);
  RzFrameController1.FrameVisible = true;

  CreatePages();
  FormCreate(this);
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
  OnSystemColorsChange = [this](TObject* Sender) { SystemColorsChange(Sender); };

  BG->SendToBack();
  BG->SetAlign(alClient);
}

void TFMain::FormCreate(TObject* Sender) {
  (void)Sender;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // A missing or broken image ends the start with the loader's error.
  LoadBackgroundImages({&BG_bmp, &Title_pnl_l_bmp, &Title_pnl_r_bmp, &Title_pnl_m_bmp, &Logo_bmp, &Title_bmp,
                        &Panels_bmp});
  IsSiblingProduct = IsSiblingProductName(LoadResString(instance, IDS_PRODUCT_NAME));
  // The pane keeps its pixel size at any DPI, so its text keeps the pixel size it has at 96 DPI.
  RichEdit1->LoadRtfFromResource(L"INFO", 96, ScreenLogPixels());
  // A screen reader names the pane by its first heading.
  const std::wstring info = RichEdit1->PlainText();
  RichEdit1->SetAccessibleName(TrimBlanks(info.substr(0, info.find_first_of(L"\r\n"))));
  // The page control never shows tabs; the welcome page comes first.
  InsatallPages->SetActivePage(tsStart);
  // The pane and the pages in the colour of the title image's corner.
  const TColor paneColor = Color32ToWinColor(Title_bmp.Pixel(0, 0));
  RichEdit1->SetColor(paneColor);
  InsatallPages->SetColor(paneColor);
}

void TFMain::BGResize(TObject* Sender) {
  (void)Sender;
  BG->BeginUpdate();
  const TBackgroundImages images{BG_bmp, Title_pnl_l_bmp, Title_pnl_r_bmp, Title_pnl_m_bmp, Logo_bmp, Title_bmp, Panels_bmp};
  if (HighContrast())
    ComposeHighContrastBackground(BG->Buffer(), images, ColorToRGB(clWindow));
  else
    ComposeBackground(BG->Buffer(), images);
  PlacePanes();
  BG->EndUpdate();
  BG->Repaint();
}

void TFMain::PlacePanes() {
  RichEdit1->SetBounds(InfoPaneBounds.left, InfoPaneBounds.top, InfoPaneBounds.right - InfoPaneBounds.left,
                       InfoPaneBounds.bottom - InfoPaneBounds.top);
  InsatallPages->SetBounds(PagesBounds.left, PagesBounds.top, PagesBounds.right - PagesBounds.left,
                           PagesBounds.bottom - PagesBounds.top);
}

void TFMain::SystemColorsChange(TObject* Sender) {
  // The background's artwork comes or goes, and the information text takes its own colours again
  // or the system's.
  BGResize(Sender);
  RichEdit1->LoadRtfFromResource(L"INFO", 96, ScreenLogPixels());
  RichEdit1->SetColor(RichEdit1->Color());
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
  // Before the folder is made: a drive without room gets nothing.
  if (const TDriveSpace* space = FirstShortDrive(TargetSpace(path))) {
    MessageDlg(NoRoomText(*space), mtError, mbOK);
    ePath->SetFocus();
    return;
  }
  PrepareTargetFolder(path);
  InsatallPages->SetActivePage(tsInputComponents);
}

std::vector<TDriveSpace> TFMain::TargetSpace(const std::wstring& Target) {
  const TInstallPlan plan = ProgramPlan(Target, CbDriverInstal->Checked());
  return SpaceNeeded(plan.Source, plan.Target, PlannedReads(plan));
}

void TFMain::ePathChange(TObject* Sender) {
  (void)Sender;
  // Once an installation has started the folder page is not seen again: weighing the distribution for
  // its line would only keep the window silent, for seconds on a slow medium.
  if (FInstallStarted) return;
  std::wstring folder;
  std::wstring text;
  // The figures of the chosen folder's drive (the first one weighed); none for a folder not yet valid.
  if (CheckTargetFolder(ePath->Text(), folder) == tcValid) {
    const std::vector<TDriveSpace> spaces = TargetSpace(folder);
    if (!spaces.empty() && spaces.front().Known) text = SpaceText(spaces.front());
  }
  lblDiskSpace->SetCaption(text);
}

void TFMain::tsInputComponentsShow(TObject* Sender) {
  (void)Sender;
  if (MessageWindow) MessageWindow(DriverNoticeText, mtMessage, L"", 0);
}

void TFMain::BtnInputComponentsBackClick(TObject* Sender) {
  (void)Sender;
  InsatallPages->SetActivePage(tsInputPath);
}

void TFMain::BtnInsatallClick(TObject* Sender) {
  (void)Sender;
  // One installation per start: a click that comes again (queued twice, or sent by another program) is
  // refused.
  if (FInstallStarted) return;
  FInstallStarted = true;
  const TInstallationRun run(Handle(), FInstallRunning);
  // The folder page left the target trimmed with its backslash.
  const TInstallPlan plan = ProgramPlan(TrimBlanks(ePath->Text()), CbDriverInstal->Checked());
  TMainWindowInstall window(InstallWindow());
  FExitCode = ExitCodeOf(RunInstallation(window, plan));
}

TInstallWindow TFMain::InstallWindow() {
  return {this, LogList, InsatallPages, tsProgressInstall, tsChangeFontSize, BtnExit, PbInstall, &FCanClose,
          &FInstallRunning};
}

int TFMain::InstallUnattended(const std::wstring& Target, bool DriverInstall, const std::wstring& LogFile) {
  FInstallStarted = true;
  const TInstallationRun run(Handle(), FInstallRunning);
  // The wizard's folder and driver boxes are left alone: their pages are never shown in such a run, and
  // filling them would build both pages for nothing.
  TInstallPlan plan = ProgramPlan(Target, DriverInstall);
  plan.LogFile = LogFile;
  plan.PrepareTarget = true;
  TMainWindowInstall window(InstallWindow());
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

void TFMain::BtnChangeFontClick(TObject* Sender) {
  (void)Sender;
  // Asked whatever the switch achieved: the operator may have changed the setting in its own window.
  SwitchToLargeFonts();
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
  // Refused without a word while the installation runs, from wherever the request comes: a close
  // that ended the message loop would also end an open question box and the program half-way.
  CanClose = FCanClose && !FInstallRunning;
}

LRESULT TFMain::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  // Windows shutting down or logging off is asked to wait while the installation runs; the reason was
  // given to it when the run began.
  if (Msg == WM_QUERYENDSESSION && FInstallRunning) return FALSE;
  return TForm::WndProc(Msg, WParam, LParam);
}
