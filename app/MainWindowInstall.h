#pragma once
#include "InstallContext.h"
#include "Main.h"

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
  HWND OwnerWindow() override { return F.Handle(); }
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
