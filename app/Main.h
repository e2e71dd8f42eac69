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

// A control on a wizard page, reached through the page: the first use makes the page's controls, so a
// start builds only the page it shows, and the unattended runs and the tests find every control there.
template <class T>
class TPageControlRef {
 public:
  explicit TPageControlRef(TTabSheet*& Page) : FPage(Page) {}
  // A copy holds the control itself, so the page is built first.
  TPageControlRef(const TPageControlRef& Other) : FPage(Other.FPage), FControl(Other.Get()) {}
  TPageControlRef& operator=(const TPageControlRef&) = delete;
  // Set by the page's builder.
  TPageControlRef& operator=(T* Control) {
    FControl = Control;
    return *this;
  }
  T* Get() const {
    if (FPage) FPage->EnsureBuilt();
    return FControl;
  }
  T* operator->() const { return Get(); }
  operator T*() const { return Get(); }

 private:
  TTabSheet*& FPage;
  T* FControl = nullptr;
};

// The setup program's main window with its wizard pages.
class TFMain : public TForm {
 public:
  TFMain();

  // The window's own components, in creation order.
  TPaintBox32* BG;
  TRichEdit* RichEdit1;
  TPageControl* InsatallPages;
  TFrameStyle RzFrameController1;

  // The pages exist from the start; the controls on each are made when the page is first shown or one of
  // them is first used (TPageControlRef).
  TTabSheet* tsStart = nullptr;
  TPageControlRef<TMemo> MemoStart{tsStart};
  TPageControlRef<TButton> BtnCancel{tsStart};
  TPageControlRef<TButton> BtnStartNext{tsStart};

  TTabSheet* tsInputPath = nullptr;
  TPageControlRef<TMemo> MemoInputPath{tsInputPath};
  TPageControlRef<TPanel> PnlPath{tsInputPath};
  TPageControlRef<TEdit> ePath{tsInputPath};
  TPageControlRef<TButton> BtnSelectPath{tsInputPath};
  // What the installation needs on the chosen folder's drive and what is free there.
  TPageControlRef<TLabel> lblDiskSpace{tsInputPath};
  TPageControlRef<TButton> BtnCancel2{tsInputPath};
  TPageControlRef<TButton> BtnInputPathNext{tsInputPath};

  TTabSheet* tsInputComponents = nullptr;
  TPageControlRef<TMemo> MemoInputComponents{tsInputComponents};
  TPageControlRef<TPanel> PnlDriver{tsInputComponents};
  TPageControlRef<TCheckBox> CbDriverInstal{tsInputComponents};
  TPageControlRef<TButton> BtnCancel4{tsInputComponents};
  TPageControlRef<TButton> BtnInputComponentsBack{tsInputComponents};
  TPageControlRef<TButton> BtnInsatall{tsInputComponents};

  TTabSheet* tsProgressInstall = nullptr;
  TPageControlRef<TLogList> LogList{tsProgressInstall};
  TPageControlRef<TButton> BtnExit{tsProgressInstall};
  TPageControlRef<TProgressBar> PbInstall{tsProgressInstall};

  TTabSheet* tsCancel = nullptr;
  TPageControlRef<TMemo> MemoCancel{tsCancel};
  TPageControlRef<TButton> BtnExitCancel{tsCancel};

  TTabSheet* tsChangeFontSize = nullptr;
  TPageControlRef<TMemo> MemoChangeFontSize{tsChangeFontSize};
  TPageControlRef<TButton> BtnChangeFont{tsChangeFontSize};
  TPageControlRef<TButton> BtnExitOnChangefont{tsChangeFontSize};

  // Handlers.
  void FormCreate(TObject* Sender);
  void BGResize(TObject* Sender);
  void PlacePanes();
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
  // A page button's click handler, which does nothing while the installation runs.
  TNotifyEvent Guarded(void (TFMain::*Handler)(TObject*));
  void CreatePages();
  void BuildStartPage();
  void BuildInputPathPage();
  void BuildInputComponentsPage();
  void BuildProgressPage();
  void BuildCancelPage();
  void BuildChangeFontSizePage();

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
  friend struct TFMainAccess;  // tests: the close flag and the images
};

extern TFMain* FMain;
