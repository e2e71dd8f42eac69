#include "MainWindowInstall.h"

#include "Dialogs.h"

// Each change is painted at once: between the points where the run handles its messages the list would
// otherwise show stale or half-scrolled lines.
int TMainWindowInstall::AddLine(const std::wstring& Text) {
  const int line = W.LogList->Add(Text);
  UpdateWindow(W.LogList->Handle());
  return line;
}

void TMainWindowInstall::AppendOutcome(int Line, const std::wstring& Word) {
  W.LogList->SetLine(Line, W.LogList->Line(Line) + Word);
  UpdateWindow(W.LogList->Handle());
}

void TMainWindowInstall::ShowProgress() {
  W.LogList->Clear();
  W.LogList->Show();
  W.Pages->SetActivePage(W.ProgressPage);
}

void TMainWindowInstall::ProcessMessages() { Application.ProcessMessages(); }

void TMainWindowInstall::RepaintLog() { W.LogList->Repaint(); }

bool TMainWindowInstall::AskYesNo(const std::wstring& Question) {
  return MessageDlg(Question, mtConfirmation, mbYesNo) == mrYes;
}

bool TMainWindowInstall::AskRetry(const std::wstring& Text) {
  return MessageDlg(Text, mtWarning, mbRetryCancel) == IDRETRY;
}

// The general error display, for the folder errors as for the errors that end the run.
void TMainWindowInstall::ShowError(const std::wstring& Text) { Application.ShowException(Text); }

// The owner of the boxes the system shows for the installation (the consent prompt).
HWND TMainWindowInstall::OwnerWindow() { return W.Form->Handle(); }

void TMainWindowInstall::SetBusy(bool Busy) {
  *W.CanClose = !Busy;
  Application.SetBusyCursor(Busy);
}

void TMainWindowInstall::EnableExit() {
  W.ExitButton->SetEnabled(true);
  // The disabled button could not take the focus when the page came: Enter now ends the program.
  W.Form->FocusControl(W.ExitButton);
}

bool TMainWindowInstall::ShowFontSizePage() {
  W.Pages->SetActivePage(W.FontSizePage);
  return true;
}

// The run's last step, after Yes to the final question: nothing is left to cut short.
void TMainWindowInstall::CloseProgram() {
  *W.InstallRunning = false;
  W.Form->Close();
}

void TMainWindowInstall::ShowProgressBar(int Done, TProgressMode Mode) {
  W.ProgressBar->SetMarquee(Mode == pmWaiting);
  if (Mode != pmWaiting) W.ProgressBar->SetPosition(Done);
  W.ProgressBar->SetError(Mode == pmFailed);
  // Painted now, like the log: the next served message may be 50 ms away.
  UpdateWindow(W.ProgressBar->Handle());
  FTaskbar.Show(Done, Mode);
}
