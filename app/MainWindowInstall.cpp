// The main window running an installation: with the wizard's answers, or with the switches' answers
// while the progress page shows.
#include "MainWindowInstall.h"

#include "InstallSequence.h"
#include "ProgramPlan.h"
#include "UnattendedContext.h"

void TMainWindowInstall::ShowProgressBar(int Done, TProgressMode Mode) {
  F.PbInstall->SetMarquee(Mode == pmWaiting);
  if (Mode != pmWaiting) F.PbInstall->SetPosition(Done);
  F.PbInstall->SetError(Mode == pmFailed);
  // Painted now, like the log: the next served message may be 50 ms away.
  UpdateWindow(F.PbInstall->Handle());
  FTaskbar.Show(Done, Mode);
}

int TFMain::InstallUnattended(const std::wstring& Target, bool DriverInstall, const std::wstring& LogFile) {
  const TInstallationRun run(*this);
  ePath->SetText(Target);
  CbDriverInstal->SetChecked(DriverInstall);
  TInstallPlan plan = ProgramPlan(Target, DriverInstall);
  plan.LogFile = LogFile;
  Fcopyfrom = plan.Source;
  TMainWindowInstall window(*this);
  TUnattendedContext unattended(&window);
  FExitCode = ExitCodeOf(RunInstallation(unattended, plan));
  return FExitCode;
}
