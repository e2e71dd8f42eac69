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
#include "Verify.h"

std::wstring LogFileOf(const TInstallOptions& Options) {
  return Options.LogFile.empty() ? std::wstring() : FullPathOf(Options.LogFile);
}

namespace {

// The target of a run without the wizard, by the folder page's rules; empty when it is refused, which
// the log files then say.
std::wstring UnattendedTarget(const TInstallOptions& Options) {
  std::wstring folder;
  // Made by the installation, once its checks have passed.
  if (CheckTargetFolder(Options.HasDir ? Options.Dir : DefaultTargetFolder(), folder) == tcValid) return folder;
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
  plan.PrepareTarget = true;
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

int VerifyInstalled(const TInstallOptions& Options) {
  // Without /DIR: the program's own folder when it is the installed one (Uninstall.exe), else the default.
  const std::wstring own = ProgramFolder();
  const std::wstring given =
      Options.HasDir ? Options.Dir : FileExists(own + InstallRecordFile) ? own : DefaultTargetFolder();
  std::wstring folder;
  if (CheckTargetFolder(given, folder) != tcValid) {
    TUnattendedContext nobody;
    TInstallLog log(nobody, own, std::wstring(), LogFileOf(Options));
    log.Note(L"Недопустимый каталог установки: \"" + folder + L"\"");
    return ecBadTargetFolder;
  }
  const std::wstring target = FullFolderPath(folder);
  const TVerifyResult result = VerifyInstallation(target, nullptr);
  const std::wstring text = VerifyReportText(target, result);
  {
    TUnattendedContext nobody;
    // Into the target's own log only where an installation left one.
    TInstallLog log(nobody, own, result.Read == rrRead ? target : std::wstring(), LogFileOf(Options),
                    L"Проверка файлов программы в папке \"" + target + L"\"");
    for (size_t at = 0; at <= text.size();) {
      size_t end = text.find(L"\r\n", at);
      if (end == std::wstring::npos) end = text.size();
      if (end > at) log.Note(text.substr(at, end - at));
      at = end + 2;
    }
  }
  const bool differs = result.Read != rrRead || !result.Differences.empty();
  if (Options.Mode != TInstallOptions::imVerySilent)
    MessageBoxW(nullptr, text.c_str(), Application.Title().c_str(), MB_OK | (differs ? MB_ICONWARNING : MB_ICONINFORMATION));
  if (result.Read != rrRead) return ecInstallFailed;
  return result.Differences.empty() ? ecInstalled : ecVerifyDifferences;
}
