// The main window running an installation: with the wizard's answers, or with the switches' answers
// while the progress page shows.
#include "MainWindowInstall.h"

#include "InstallSequence.h"
#include "ProgramPlan.h"
#include "UnattendedContext.h"

int TFMain::InstallUnattended(const std::wstring& Target, bool DriverInstall, const std::wstring& LogFile) {
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
