#pragma once
#include <string>

#include "DiskSpace.h"
#include "MainWindowInstall.h"
#include "MessageForm.h"
#include "ProgramPlan.h"
#include "Toolkit.h"

// True when the product name (string id 1) is "Велена" in any letter case; set by FormCreate.
extern bool IsSiblingProduct;

// The suite's message window as the main window calls it (the driver notice). Tests put a recorder
// here; the program calls ShowMessageWindow.
using TShowMessageWindowFn = bool (*)(const std::wstring& Text, TMessageType Kind, const std::wstring& CaptionText,
                                      int CountdownSeconds);
extern TShowMessageWindowFn MessageWindow;

// The driver notice shown on the components page: three lines separated by a carriage return alone.
extern const wchar_t* const DriverNoticeText;

// The setup program's main window with its wizard pages.
class TFMain : public TForm {
 public:
  TFMain();

  // Components, in creation order.
  TPaintBox32* BG;
  TRichEdit* RichEdit1;
  TPageControl* InsatallPages;
  TFrameStyle RzFrameController1;

  TTabSheet* tsStart;
  TMemo* MemoStart;
  TButton* BtnCancel;
  TButton* BtnStartNext;

  TTabSheet* tsInputPath;
  TMemo* MemoInputPath;
  TPanel* PnlPath;
  TEdit* ePath;
  TButton* BtnSelectPath;
  // What the installation needs on the chosen folder's drive and what is free there.
  TLabel* lblDiskSpace;
  TButton* BtnCancel2;
  TButton* BtnInputPathNext;

  TTabSheet* tsInputComponents;
  TMemo* MemoInputComponents;
  TPanel* PnlDriver;
  TCheckBox* CbDriverInstal;
  TButton* BtnCancel4;
  TButton* BtnInputComponentsBack;
  TButton* BtnInsatall;

  TTabSheet* tsProgressInstall;
  TLogList* LogList;
  TButton* BtnExit;
  TProgressBar* PbInstall;

  TTabSheet* tsCancel;
  TMemo* MemoCancel;
  TButton* BtnExitCancel;

  TTabSheet* tsChangeFontSize;
  TMemo* MemoChangeFontSize;
  TButton* BtnChangeFont;
  TButton* BtnExitOnChangefont;

  // The setup program's own folder with a trailing backslash, set when the installation starts.
  std::wstring Fcopyfrom;

  // Handlers.
  void FormCreate(TObject* Sender);
  void BGResize(TObject* Sender);
  void SystemColorsChange(TObject* Sender);
  void BtnStartNextClick(TObject* Sender);
  void BtnSelectPathClick(TObject* Sender);
  void BtnInputPathNextClick(TObject* Sender);
  void ePathChange(TObject* Sender);
  // What an installation into Target needs on each drive, and what is free there.
  std::vector<TDriveSpace> TargetSpace(const std::wstring& Target);
  void tsInputComponentsShow(TObject* Sender);
  void BtnInputComponentsBackClick(TObject* Sender);
  void BtnInsatallClick(TObject* Sender);
  void BtnCancelClick(TObject* Sender);
  void BtnExitClick(TObject* Sender);
  void BtnChangeFontClick(TObject* Sender);
  // Asks the system to switch the display to large fonts.
  void ChangeFontSize();
  void FormCloseQuery(TObject* Sender, bool& CanClose);

  // Installs into Target without questions (the switches answered them) while the progress page shows
  // the log; returns the program's exit code.
  int InstallUnattended(const std::wstring& Target, bool DriverInstall, const std::wstring& LogFile);
  // The program's exit code: 2 (cancelled before the start) until an installation has run.
  int ExitCode() const { return FExitCode; }
  // The parts of this window an installation (or an uninstall) shows itself in.
  TInstallWindow InstallWindow();

  // From the start of the installation until it has ended: nothing may close the window or act on
  // the pages meanwhile.
  bool InstallRunning() const { return FInstallRunning; }

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  TPanel* AddButtonBar(TTabSheet* Page, int Height);
  void AddSpacer(TTabSheet* Page, int Height);
  TButton* AddBarButton(TPanel* Bar, const std::wstring& Caption, int Width, TAlign Align, const wchar_t* Glyph,
                        int Id);
  TMemo* AddMemo(TTabSheet* Page, const TFont& Font, const std::vector<std::wstring>& Lines, int Id);
  void CreatePages();

  TBitmap32 BG_bmp;
  TBitmap32 Panels_bmp;
  TBitmap32 Logo_bmp;
  TBitmap32 Title_pnl_l_bmp;
  TBitmap32 Title_pnl_r_bmp;
  TBitmap32 Title_pnl_m_bmp;
  TBitmap32 Title_bmp;
  bool FCanClose = true;
  bool FInstallRunning = false;
  bool FInstallStarted = false;
  int FExitCode = 2;
  std::wstring AppNameStr;
  friend struct TFMainAccess;  // tests: the close flag and the images
};

extern TFMain* FMain;
