#include "DriverStage.h"

#include <windows.h>

#include <optional>

#include "FileOps.h"
#include "InstalledFiles.h"
#include "ProcessRunner.h"
#include "SystemError.h"
#include "TrustedProgram.h"

namespace {

const wchar_t* const NotInstalled = L"Драйвер устройства не установлен: ";

std::wstring ExitCodeText(DWORD Code) { return std::to_wstring(Code) + L" (" + HexCode(Code) + L")"; }

}  // namespace

void InstallDriver(TInstallContext& Context, const TInstallPlan& Plan) {
  if (!Plan.DriverInstall) return;
  if (!Context.AskYesNo(L"Подключите интерфейсный блок и нажмите \"Yes\"?")) return;
  const std::wstring folder = Plan.Target + L"FTDIDriverInstall";
  const std::wstring installer = folder + L"\\FTDIDriverInstall.exe";
  if (DirectoryExists(Plan.Source + L"FTDIDriverInstall")) {
    // The content into the folder: a newer distribution's installer replaces the one an earlier
    // installation left, whose files a medium may have made read-only.
    TTreeCopyReport copy;
    CopyFolderTree(Plan.Source + L"FTDIDriverInstall", folder, true, &copy, &Context);
    // With what the installer adds there when it runs: the folder is the installation's.
    ReportTreePut(folder);
    if (!copy.FirstNotCopied.empty()) {
      Context.AddLine(L"Файл драйвера устройства не скопирован: \"" + copy.FirstNotCopied + L"\". " +
                      SystemErrorText(copy.Error));
    }
  }
  if (!FileExists(installer)) {
    Context.AddLine(NotInstalled + std::wstring(L"нет программы установки \"") + installer + L"\"");
    return;
  }
  // Any user may have replaced the target's installer: whatever runs with administrator rights, from this
  // program or through the consent prompt, is the one this installation copied, held unchanged until it
  // has ended.
  std::optional<TTrustedProgram> trusted;
  const auto isTheDistributions = [&] {
    if (!trusted) trusted.emplace(installer, Plan.Source + L"FTDIDriverInstall\\FTDIDriverInstall.exe");
    return trusted->Refusal().empty();
  };
  const auto notTrusted = [&] {
    Context.AddLine(NotInstalled + std::wstring(L"программа установки \"") + installer +
                    L"\" не запущена с правами администратора: " + trusted->Refusal());
  };
  // Nobody watches a run that shows nothing: no consent prompt may wait there for an answer.
  bool nobodyToAsk = false;
  const auto mayGoToTheShell = [&] {
    nobodyToAsk = !Context.MayShowPrompts() && ShellAsksForConsent();
    return !nobodyToAsk && isTheDistributions();
  };
  if (RunsWithAdministratorRights() && !isTheDistributions()) return notTrusted();
  Context.AddLine(L"Началась установка драйверов устройства...");
  // On screen before the installer starts, whatever the wait then serves.
  Context.RepaintLog();
  // Quoted: the target folder may hold blanks. The window is served while it runs, which may be minutes.
  // In its own folder, whichever way it starts: installers find their package's files beside them by
  // the current folder.
  DWORD startError = 0;
  const DWORD exitCode =
      ExecProcess(L"\"" + installer + L"\"", SW_HIDE, true, Context.OwnerWindow(), &startError, &Context,
                  mayGoToTheShell, folder);
  if (nobodyToAsk) {
    Context.AddLine(NotInstalled + std::wstring(L"программе установки нужны права администратора, а установка без "
                                                L"окон не запрашивает их. Её можно запустить позже: \"") +
                    installer + L"\"");
    return;
  }
  if (trusted && !trusted->Refusal().empty()) return notTrusted();
  if (startError == ERROR_CANCELLED) {
    // The administrator's consent was refused: whoever has the rights can run it later.
    Context.AddLine(NotInstalled + std::wstring(L"права администратора для программы установки не даны. "
                                                L"Её можно запустить позже: \"") +
                    installer + L"\"");
    return;
  }
  if (startError != 0) {
    Context.AddLine(NotInstalled + std::wstring(L"не удалось запустить \"") + installer + L"\". " +
                    SystemErrorText(startError));
    return;
  }
  Context.AddLine(L"Установка драйверов устройства завершена");
  // Installers differ in what their codes mean (some count what they installed): the code is told, not judged.
  if (exitCode != 0) Context.AddLine(L"Программа установки драйвера завершилась с кодом " + ExitCodeText(exitCode));
}
