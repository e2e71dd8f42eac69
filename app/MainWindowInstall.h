#pragma once
#include <string>

#include "ExtCtrls.h"
#include "Forms.h"
#include "InstallContext.h"
#include "StdCtrls.h"

// The parts of the main window an installation shows itself in.
struct TInstallWindow {
  TForm* Form;
  TLogList* LogList;
  TPageControl* Pages;
  TTabSheet* ProgressPage;
  TTabSheet* FontSizePage;
  TButton* ExitButton;
  bool* CanClose;  // the window's answer to a close request
};

// The installation as the main window shows it: the log on the progress page, the program's message
// boxes, the close query and the hourglass.
class TMainWindowInstall : public TInstallContext {
 public:
  explicit TMainWindowInstall(const TInstallWindow& Window) : W(Window) {}
  int AddLine(const std::wstring& Text) override;
  void AppendOutcome(int Line, const std::wstring& Word) override;
  void ShowProgress() override;
  void ProcessMessages() override;
  void RepaintLog() override;
  bool AskYesNo(const std::wstring& Question) override;
  void ShowError(const std::wstring& Text) override;
  HWND OwnerWindow() override;
  void SetBusy(bool Busy) override;
  void EnableExit() override;
  bool ShowFontSizePage() override;
  void CloseProgram() override;

 private:
  TInstallWindow W;
};
