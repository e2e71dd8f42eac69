#pragma once
#include <string>

#include "ExtCtrls.h"
#include "Forms.h"
#include "InstallContext.h"
#include "ShutdownBlock.h"
#include "StdCtrls.h"
#include "TaskbarProgress.h"

// The parts of the main window an installation shows itself in.
struct TInstallWindow {
  TForm* Form;
  TLogList* LogList;
  TPageControl* Pages;
  TTabSheet* ProgressPage;
  TTabSheet* FontSizePage;
  TButton* ExitButton;
  TProgressBar* ProgressBar;
  bool* CanClose;        // the window's answer to a close request
  bool* InstallRunning;  // true from the start of the run to its end: nothing may close the window
};

// The installation as the main window shows it: the log on the progress page, the program's message
// boxes, the close query and the hourglass.
class TMainWindowInstall : public TInstallContext {
 public:
  explicit TMainWindowInstall(const TInstallWindow& Window) : W(Window), FTaskbar(Application.Handle()) {}
  int AddLine(const std::wstring& Text) override;
  void AppendOutcome(int Line, const std::wstring& Word) override;
  void ShowProgress() override;
  void ProcessMessages() override;
  void RepaintLog() override;
  bool AskYesNo(const std::wstring& Question) override;
  bool AskRetry(const std::wstring& Text) override;
  void ShowError(const std::wstring& Text) override;
  HWND OwnerWindow() override;
  void SetBusy(bool Busy) override;
  void EnableExit() override;
  bool ShowFontSizePage() override;
  void CloseProgram() override;
  void ShowProgressBar(int Done, TProgressMode Mode) override;

 private:
  TInstallWindow W;
  TTaskbarProgress FTaskbar;
};

// The installation (or the uninstall) is on for its lifetime: Running is true meanwhile, which refuses
// close requests, the pages' buttons and a second start, and Windows is asked to wait with ending the
// session, for Reason.
class TInstallationRun {
 public:
  TInstallationRun(HWND Window, bool& Running, const wchar_t* Reason = InstallationShutdownReason)
      : FRunning(Running), FShutdownBlock(Window, Reason) {
    FRunning = true;
  }
  ~TInstallationRun() { FRunning = false; }
  TInstallationRun(const TInstallationRun&) = delete;
  TInstallationRun& operator=(const TInstallationRun&) = delete;

 private:
  bool& FRunning;
  TShutdownBlock FShutdownBlock;
};
