#include "InstallSequence.h"

#include <windows.h>

#include <optional>

#include "BackupStage.h"
#include "CommandLine.h"
#include "CreateNSI.h"
#include "DatabaseRuntime.h"
#include "DriverStage.h"
#include "Error.h"
#include "FileOps.h"
#include "Fonts.h"
#include "InstallLog.h"
#include "InstallProgress.h"
#include "InstallRecord.h"
#include "RH_Common_Proc.h"
#include "Registration.h"
#include "SettingsFiles.h"
#include "Shortcut.h"
#include "StageSteps.h"
#include "TargetLinks.h"

const wchar_t* const OutcomeDone = L"Завершено";
const wchar_t* const OutcomeFailed = L"ОШИБКА!!!";

namespace {

// Creates a missing target folder (one level: the parent must exist). The settings folder, which the
// folder page makes with the target, is made too when missing: the settings keys are written into it
// next.
bool EnsureTargetFolder(TInstallContext& Context, const std::wstring& Target) {
  if (!CreateFolderStep(Context, Target, L"Каталог создан...", L"Ошибка при создании каталога!")) return false;
  const std::wstring settings = Target + L"Settings\\";
  if (!DirectoryExists(settings)) CreateDir(settings);
  return true;
}

void CreateSettingsFiles(TInstallContext& Context, const std::wstring& Target) {
  const int line = Context.AddLine(L"Создание настроечных файлов....");
  Context.ProcessMessages();
  CreateNsiFiles(Target + L"Settings\\");
  Context.AppendOutcome(line, OutcomeDone);
}

// The one stage whose errors never end the installation: without the rights to the system's font
// folder the suite still works with the fonts it finds. The stage tells of each font itself; whatever
// else stops it is told here.
void InstallFontsIgnoringErrors(TInstallContext& Context, const TInstallPlan& Plan) {
  try {
    InstallFonts(Context, Plan.Source);
  } catch (const EProgramError& error) {
    Context.AddLine(L"Шрифты не установлены: " + error.Text());
  }
}
// Small fonts lead to the large-font page; otherwise the operator may leave at once.
void FinishInstallation(TInstallContext& Context) {
  if (IsSmallFonts()) {
    if (!Context.ShowFontSizePage())
      Context.AddLine(L"Рекомендуется включить крупный размер шрифта (120 точек на дюйм) в настройках экрана Windows");
    return;
  }
  if (Context.AskYesNo(L"Установка завершена. Выйти из программы установки?")) Context.CloseProgram();
}

// What the copies of a run weigh, measured before it starts, and the stages that move the progress bar
// beside them (the StageDone calls below).
unsigned long long PlannedCopyBytes(const TInstallPlan& Plan) {
  return DatabaseRuntimeBytes(Plan.Source, Plan.Target) + FontBytes(Plan.Source) + BackupAndUpdaterBytes(Plan);
}
constexpr int MeasuredStages = 8;

TInstallOutcome RunStages(TInstallProgress& Context, const TInstallPlan& Plan) {
  const std::wstring& target = Plan.Target;
  // 1-2. The progress page; the target and source folders come with the plan.
  Context.ShowProgress();
  Context.ProcessMessages();
  // 3.
  if (!EnsureTargetFolder(Context, target)) return ioFolderFailed;
  // 4. Before the busy span: its error ends the run without a line of its own.
  WriteInstallKeys(target);
  {
    // 5. Close refused and hourglass until the database and its files are in place; left on every way
    // out (10.).
    const TBusySpan busy(Context);
    Context.ProcessMessages();
    // 6.
    CreateSettingsFiles(Context, target);
    Context.StageDone();
    // 7.
    if (!DeployDatabaseRuntime(Context, Plan.Source, target)) return ioStageFailed;
    Context.StageDone();
    // 8. After the database stage: its settings folder exists by then.
    WriteLastNumberFile(target);
    // 9.
    if (Plan.SiblingProduct) WriteSiblingSettings(target);
    Context.StageDone();
  }
  // 11.
  InstallFontsIgnoringErrors(Context, Plan);
  Context.StageDone();
  // 12. The driver stage asks its question only when the driver was wanted.
  InstallDriver(Context, Plan);
  Context.StageDone();
  // 13.
  DeployBackupAndUpdater(Context, Plan);
  Context.StageDone();
  // 14.
  CreateDesktopShortcut(Context, Plan);
  Context.StageDone();
  // After the link: the entry in Programs and Features, with the record and the copy that uninstalls.
  RegisterInstallation(Context, Plan);
  Context.StageDone();
  // 15. The bar is full before the last question.
  Context.Finished();
  Context.EnableExit();
  // 16.
  FinishInstallation(Context);
  return ioInstalled;
}

}  // namespace

int ExitCodeOf(TInstallOutcome Outcome) {
  switch (Outcome) {
    case ioInstalled: return ecInstalled;
    case ioFolderFailed: return ecBadTargetFolder;
    default: return ecInstallFailed;
  }
}

TInstallOutcome RunInstallation(TInstallContext& Screen, const TInstallPlan& Plan) {
  // Looked for before the log, the first thing written into the target: over such a link nothing is
  // written there, the log and the record included.
  const TLinkOut linkOut = FindLinkLeadingOut(Plan.Target);
  const bool writable = linkOut.Link.empty();
  TInstallLog log(Screen, Plan.Source, Plan.Target, Plan.LogFile);
  if (!writable) log.WriteNoFileInTarget();
  // What this run puts into the target is recorded however the run ends.
  // And one planted while the run goes on ends it at the write that would have gone through it (the
  // record's too, written when the recorder goes).
  const TWritesInsideTarget confined(Plan.Target);
  std::optional<TInstallRecorder> recorder;
  if (writable) recorder.emplace(Plan.Target);
  TInstallProgress context(log, PlannedCopyBytes(Plan), MeasuredStages);
  try {
    if (!writable) {
      context.ShowProgress();
      throw EProgramError(LinkLeadingOutText(linkOut));
    }
    const TInstallOutcome outcome = RunStages(context, Plan);
    if (outcome != ioInstalled) context.Failed();
    return outcome;
  } catch (const EProgramError& error) {
    // The busy span is left by now; the running line keeps no outcome word; nothing is rolled back.
    // The error's text stays the last line, where a deployment tool looks for it.
    if (error.SystemCode() != 0) log.Note(L"Код ошибки Windows: " + std::to_wstring(error.SystemCode()));
    log.Note(error.Text());
    context.ShowError(error.Text());
    return ioError;
  }
}
