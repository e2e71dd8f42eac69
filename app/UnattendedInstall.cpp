// The runs without the wizard: no window at all, or only the progress page.
#include "UnattendedInstall.h"

#include "FileOps.h"
#include "InstallLog.h"
#include "InstallSequence.h"
#include "Main.h"
#include "Paths.h"
#include "ProgramPlan.h"
#include "TargetFolder.h"
#include "UnattendedContext.h"

namespace {

// The /LOG file as a full path: the stages change the current folder. Empty when none was asked for.
std::wstring LogFileOf(const TInstallOptions& Options) {
  return Options.LogFile.empty() ? std::wstring() : FullPathOf(Options.LogFile);
}

// The target of a run without the wizard, by the folder page's rules; empty when it is refused, which
// the log files then say.
std::wstring UnattendedTarget(const TInstallOptions& Options) {
  std::wstring folder;
  if (CheckTargetFolder(Options.HasDir ? Options.Dir : DefaultTargetFolder(), folder) == tcValid) {
    PrepareTargetFolder(folder);
    return folder;
  }
  // Only the /LOG file can say so: a refused folder gets nothing written into it.
  TUnattendedContext nobody;
  TInstallLog log(nobody, ProgramFolder(), std::wstring(), LogFileOf(Options));
  log.Note(L"Недопустимый каталог установки: \"" + folder + L"\"");
  return std::wstring();
}

}  // namespace

int InstallWithoutWindow(const TInstallOptions& Options) {
  const std::wstring target = UnattendedTarget(Options);
  if (target.empty()) return ecBadTargetFolder;
  TInstallPlan plan = ProgramPlan(target, !Options.NoDriver);
  plan.LogFile = LogFileOf(Options);
  TUnattendedContext nobody;
  return ExitCodeOf(RunInstallation(nobody, plan));
}

int InstallWithProgressPage(const TInstallOptions& Options) {
  const std::wstring target = UnattendedTarget(Options);
  if (target.empty()) return ecBadTargetFolder;
  FMain->InsatallPages->SetActivePage(FMain->tsProgressInstall);
  FMain->Show();
  Application.ProcessMessages();
  return FMain->InstallUnattended(target, !Options.NoDriver, LogFileOf(Options));
}
