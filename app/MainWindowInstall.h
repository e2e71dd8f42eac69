#pragma once
#include "InstallContext.h"
#include "Main.h"
#include "ShutdownBlock.h"
#include "TaskbarProgress.h"

// The installation as the main window shows it: the log on the progress page, the program's message
// boxes, the close query and the hourglass, the progress bar and the task-bar button.
class TMainWindowInstall : public TInstallContext {
 public:
  explicit TMainWindowInstall(TFMain& Form) : F(Form), FTaskbar(Application.Handle()) {}
  // Each change is painted at once: between the points where the run handles its messages the list
  // would otherwise show stale or half-scrolled lines.
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
  // The run's last step, after Yes to the final question: nothing is left to cut short.
  void CloseProgram() override {
    F.FInstallRunning = false;
    F.Close();
  }
  void ShowProgressBar(int Done, TProgressMode Mode) override;

 private:
  TFMain& F;
  TTaskbarProgress FTaskbar;
};

// The installation is on for its lifetime: close requests, the pages' buttons and a second start are
// refused, and Windows is asked to wait with ending the session.
class TInstallationRun {
 public:
  explicit TInstallationRun(TFMain& Form)
      : F(Form), FShutdownBlock(Form.Handle(), InstallationShutdownReason) {
    F.FInstallRunning = true;
    F.FInstallStarted = true;
  }
  ~TInstallationRun() { F.FInstallRunning = false; }
  TInstallationRun(const TInstallationRun&) = delete;
  TInstallationRun& operator=(const TInstallationRun&) = delete;

 private:
  TFMain& F;
  TShutdownBlock FShutdownBlock;
};
