#include "UninstallProgram.h"

#include <windows.h>

#include "InstallLog.h"
#include "MachineUninstaller.h"
#include "Main.h"
#include "MainWindowInstall.h"
#include "Paths.h"
#include "Registration.h"
#include "ResourceIds.h"
#include "RH_Common_Proc.h"
#include "SetupCopy.h"
#include "TargetFolder.h"
#include "UnattendedContext.h"
#include "UnattendedInstall.h"
#include "Uninstall.h"
#include "UninstallElevation.h"

namespace {

bool SameFolderText(const std::wstring& A, const std::wstring& B) {
  return !A.empty() && CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()),
                                            TRUE) == CSTR_EQUAL;
}

// The folder to uninstall: /DIR, or the program's own (the setup copy lies in the target). Full, with a
// trailing backslash; a drive root stays as it is, and the uninstall refuses it.
std::wstring UninstallTarget(const TInstallOptions& Options) {
  std::wstring folder = Options.HasDir ? Options.Dir : ProgramFolder();
  // The machine-wide uninstaller lies outside the target: its entry names the target.
  const std::wstring entryName = LoadResString(GetModuleHandleW(nullptr), IDS_APP_FOLDER);
  TUninstallEntry entry;
  if (!Options.HasDir && SameFolderText(FullFolderPath(folder), MachineUninstallerFolder(entryName)) &&
      ReadUninstallEntry(HKEY_LOCAL_MACHINE, entryName, entry) && !entry.InstallLocation.empty())
    folder = entry.InstallLocation;
  std::wstring checked;
  if (CheckTargetFolder(folder, checked) == tcEmpty) return std::wstring();
  return FullFolderPath(checked);
}

// What the temporary copy is told: the same run, with everything made full, since it starts elsewhere.
std::wstring CopyArguments(const TInstallOptions& Options, const std::wstring& Target) {
  std::wstring folder = Target;
  // No backslash before the closing quote, which a tool that parses the line would read as an escape.
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  std::wstring arguments = L"/UNINSTALL";
  if (Options.Mode == TInstallOptions::imSilent) arguments += L" /SILENT";
  if (Options.Mode == TInstallOptions::imVerySilent) arguments += L" /VERYSILENT";
  arguments += L" /DIR=\"" + folder + L"\"";
  if (!Options.LogFile.empty()) arguments += L" /LOG=\"" + LogFileOf(Options) + L"\"";
  return arguments;
}

int StartCopy(const TInstallOptions& Options, const std::wstring& Target) {
  std::wstring error;
  const int code = RunFromTemporaryCopy(CopyArguments(Options, Target), error);
  if (code >= 0) return code;
  TUnattendedContext nobody;
  TInstallLog log(nobody, std::wstring(), std::wstring(), LogFileOf(Options), L"Удаление из папки \"" + Target + L"\"");
  log.Note(error);
  if (Options.Mode == TInstallOptions::imWizard)
    MessageBoxW(nullptr, error.c_str(), Application.Title().c_str(), MB_OK | MB_ICONERROR);
  return ecInstallFailed;
}

// A machine-wide installation without administrator rights: the same run again with them, before
// anything is removed. True when that decided the run (ExitCode set).
bool RunAsAdministratorWhereNeeded(const TInstallOptions& Options, const std::wstring& Target,
                                   const std::function<void()>& LetAnotherRun, int& ExitCode) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (Target.empty() || !UninstallNeedsAdministrator(LoadResString(instance, IDS_APP_FOLDER), Target)) return false;
  std::wstring error;
  if (Options.Mode == TInstallOptions::imVerySilent) {
    error = NoAdministratorRightsText(Target);
    ExitCode = ecInstallFailed;
  } else {
    // The consent prompt comes before the question, which the program with the rights asks.
    LetAnotherRun();
    ExitCode = RunAsAdministrator(ProgramFile(), CopyArguments(Options, Target), nullptr, nullptr, error);
    if (ExitCode >= 0) return true;
    ExitCode = ecInstallFailed;
  }
  TUnattendedContext nobody;
  TInstallLog log(nobody, std::wstring(), Target, LogFileOf(Options), L"Удаление из папки \"" + Target + L"\"");
  log.AddLine(error);
  if (Options.Mode == TInstallOptions::imWizard)
    MessageBoxW(nullptr, error.c_str(), Application.Title().c_str(), MB_OK | MB_ICONERROR);
  return true;
}

// The copy's run: the question, the removal and its log, and what stayed.
int UninstallHere(const TInstallOptions& Options, const std::wstring& Target, TSetupCopyParent& Parent) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  TUninstallRequest request;
  request.Target = Target;
  request.EntryName = LoadResString(instance, IDS_APP_FOLDER);
  request.ProductName = LoadResString(instance, IDS_PRODUCT_NAME);
  request.LogFile = LogFileOf(Options);
  request.ReleaseSetupCopy = [&Parent] { Parent.HandOver(ecInstalled); };

  if (Options.Mode == TInstallOptions::imVerySilent) {
    TUnattendedContext nobody;
    return UninstallExitCode(RunUninstall(nobody, request).Outcome);
  }
  Application.SetTitle(L"Удаление комплекса \"Ритмон-Vidoze\"");
  FMain = new TFMain();
  FMain->SetCaption(L"Удаление комплекса");
  FMain->InsatallPages->SetActivePage(FMain->tsProgressInstall);
  FMain->Show();
  Application.ProcessMessages();
  const TInstallWindow parts = FMain->InstallWindow();
  // Up to the last box: a close would end an open box, and the program, half-way.
  const TInstallationRun run(FMain->Handle(), *parts.InstallRunning, UninstallShutdownReason);
  TMainWindowInstall window(parts);
  if (Options.Mode == TInstallOptions::imSilent) {
    TUnattendedContext unattended(&window);
    return UninstallExitCode(RunUninstall(unattended, request).Outcome);
  }
  const TUninstallResult result = RunUninstall(window, request);
  if (result.Outcome == uoRemoved || result.Outcome == uoIncomplete)
    MessageDlg(result.Summary, result.Outcome == uoRemoved ? mtInformation : mtError, mbOK);
  return UninstallExitCode(result.Outcome);
}

}  // namespace

bool RunsAsSetupCopy() {
  const std::wstring file = ProgramFile();
  const std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
  return CompareStringOrdinal(name.c_str(), -1, SetupCopyName, -1, TRUE) == CSTR_EQUAL;
}

int UninstallProgram(const TInstallOptions& Options, const std::function<void()>& LetAnotherRun) {
  const std::wstring target = UninstallTarget(Options);
  if (!Options.HandOver) {
    int exitCode = ecInstallFailed;
    if (RunAsAdministratorWhereNeeded(Options, target, LetAnotherRun, exitCode)) return exitCode;
    return StartCopy(Options, target);
  }
  TSetupCopyParent parent(Options.HandOverProcess, Options.HandOverPipe);
  int exitCode = ecInstallFailed;
  try {
    exitCode = UninstallHere(Options, target, parent);
  } catch (...) {
    // Nothing may be shown when no window was asked for.
    if (Options.Mode != TInstallOptions::imVerySilent) Application.HandleException();
  }
  delete FMain;
  FMain = nullptr;
  return exitCode;
}
