#pragma once
// The context of an installation without an operator (a script or a deployment tool): no question is
// asked — the switches have answered them — and no box is shown; what went wrong stays in the
// installation log. Screen, when given, is the window that shows the log meanwhile.
#include <string>

#include "InstallContext.h"

class TUnattendedContext : public TInstallContext {
 public:
  explicit TUnattendedContext(TInstallContext* Screen = nullptr) : FScreen(Screen) {}

  int AddLine(const std::wstring& Text) override;
  void AppendOutcome(int Line, const std::wstring& Word) override;
  void ShowProgress() override;
  // Without a screen: what reached this thread's queue is read and handled all the same, so a wait that
  // wakes for it does not wake again at once, and a program sending to this thread's hidden windows
  // gets its answer.
  void ProcessMessages() override;
  void RepaintLog() override;
  // The driver question only comes when the driver was asked for; the final question is Yes.
  bool AskYesNo(const std::wstring& Question) override;
  // The installation log holds the text; nothing is shown.
  void ShowError(const std::wstring& Text) override;
  HWND OwnerWindow() override { return FScreen ? FScreen->OwnerWindow() : nullptr; }
  bool MayShowPrompts() override { return FScreen != nullptr; }
  void SetBusy(bool Busy) override;
  void EnableExit() override;
  bool ShowFontSizePage() override { return false; }
  void CloseProgram() override {}
  void ShowProgressBar(int Done, TProgressMode Mode) override;

  const std::wstring& LastError() const { return FLastError; }

 private:
  TInstallContext* FScreen;
  int FLines = 0;
  std::wstring FLastError;
};
