#include "DriverStage.h"

#include <windows.h>

#include "FileOps.h"
#include "ProcessRunner.h"

void InstallDriver(TInstallContext& Context, const TInstallPlan& Plan) {
  if (!Plan.DriverInstall) return;
  if (!Context.AskYesNo(L"Подключите интерфейсный блок и нажмите \"Yes\"?")) return;
  // A failed copy shows when the installer cannot be started, and that too is let pass.
  if (DirectoryExists(Plan.Source + L"FTDIDriverInstall")) {
    ShellCopyFolder(Plan.Source + L"FTDIDriverInstall", Plan.Target + L"FTDIDriverInstall");
  }
  Context.AddLine(L"Началась установка драйверов устройства...");
  // On screen before the installer starts, whatever the wait then serves.
  Context.RepaintLog();
  // Quoted: the target folder may hold blanks. The installer's outcome is its own business. The window
  // is served while it runs, which may be minutes.
  ExecProcess(L"\"" + Plan.Target + L"FTDIDriverInstall\\FTDIDriverInstall.exe\"", SW_HIDE, true, &Context);
  Context.AddLine(L"Установка драйверов устройства завершена");
}
