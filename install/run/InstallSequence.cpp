#include "InstallSequence.h"

#include <windows.h>


#include "BackupStage.h"
#include "BackupTrees.h"
#include "CommandLine.h"
#include "CreateNSI.h"
#include "DatabaseRuntime.h"
#include "DiskSpace.h"
#include "DistributionCheck.h"
#include "DriverStage.h"
#include "Error.h"
#include "FileOps.h"
#include "Fonts.h"
#include "InstallLog.h"
#include "InstallProgress.h"
#include "InstallRecord.h"
#include "RH_Common_Proc.h"
#include "RunningPrograms.h"
#include "Registration.h"
#include "ServedReads.h"
#include "SettingsFiles.h"
#include "Shortcut.h"
#include "StageSteps.h"
#include "TargetFolder.h"
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

// Room on every drive the copies go to; a drive short of it ends the run before anything is written.
bool EnoughRoom(TInstallContext& Context, const TInstallPlan& Plan, const TPlannedReads& Reads) {
  if (!SpaceCheckWanted()) return true;
  const std::vector<TDriveSpace> spaces = SpaceNeeded(Plan.Source, Plan.Target, Reads);
  const TDriveSpace* shortDrive = FirstShortDrive(spaces);
  if (!shortDrive) return true;
  const std::wstring text = NoRoomText(*shortDrive);
  Context.AddLine(text);
  Context.ShowError(text);
  return false;
}

// The distribution against its checksum list, read once with the window served and the bar moving. A
// distribution without a list installs as before; the log says so once. Sound, the sizes read guard the
// copies that follow.
bool SoundDistribution(TInstallContext& Context, TInstallLog& Log, const TInstallPlan& Plan,
                       const TPlannedReads& Reads, TDistributionCheck& Check) {
  if (!FileExists(Plan.Source + ChecksumListName)) {
    Log.Note(std::wstring(L"Дистрибутив без списка контрольных сумм ") + ChecksumListName +
             L": его файлы не проверены");
    return true;
  }
  Context.AddLine(L"Проверка дистрибутива...");
  Context.ProcessMessages();
  Check = CheckDistribution(Plan.Source, Reads, &Context);
  if (Check.Problems.empty()) return true;
  for (const TDistributionProblem& problem : Check.Problems) Context.AddLine(ProblemLine(problem));
  const std::wstring text = DamagedDistributionText(Check.Problems);
  Log.Note(text);
  Context.ShowError(text);
  return false;
}

TInstallOutcome RunStages(TInstallProgress& Context, const TInstallPlan& Plan) {
  const std::wstring& target = Plan.Target;
  if (!EnsureTargetFolder(Context, target)) return ioFolderFailed;
  // Before the busy span: its error ends the run without a line of its own.
  WriteInstallKeys(target);
  {
    // Close refused and hourglass until the database and its files are in place; left on every way out.
    const TBusySpan busy(Context);
    Context.ProcessMessages();
    CreateSettingsFiles(Context, target);
    Context.StageDone();
    if (!DeployDatabaseRuntime(Context, Plan.Source, target)) return ioStageFailed;
    Context.StageDone();
    // After the database stage: its settings folder exists by then.
    WriteLastNumberFile(target);
    if (Plan.SiblingProduct) WriteSiblingSettings(target);
    Context.StageDone();
  }
  InstallFontsIgnoringErrors(Context, Plan);
  Context.StageDone();
  // The driver stage asks its question only when the driver was wanted.
  InstallDriver(Context, Plan);
  Context.StageDone();
  DeployBackupAndUpdater(Context, Plan);
  Context.StageDone();
  CreateDesktopShortcut(Context, Plan);
  Context.StageDone();
  // After the link: the entry in Programs and Features, with the record and the copy that uninstalls.
  RegisterInstallation(Context, Plan);
  Context.StageDone();
  // The bar is full before the last question.
  Context.Finished();
  Context.EnableExit();
  FinishInstallation(Context);
  return ioInstalled;
}

}  // namespace

int ExitCodeOf(TInstallOutcome Outcome) {
  switch (Outcome) {
    case ioInstalled: return ecInstalled;
    case ioFolderFailed: return ecBadTargetFolder;
    case ioNoDiskSpace: return ecNoDiskSpace;
    case ioDamagedDistribution: return ecDamagedDistribution;
    case ioSuiteRunning: return ecSuiteRunning;
    default: return ecInstallFailed;
  }
}

TInstallOutcome RunInstallation(TInstallContext& Screen, const TInstallPlan& Plan) {
  TInstallLog log(Screen, Plan.Source, Plan.Target, Plan.LogFile);
  // Not a byte into the target until the checks have passed; over a link that leads out of it nothing
  // is written there at all, the log and the record included.
  log.HoldTargetFile();
  // A link planted while the run goes on ends it at the write that would have gone through it (the
  // record's too, written when the recorder goes).
  const TWritesInsideTarget confined(Plan.Target);
  // The progress page shows before the distribution is walked for the measure: on a CD or a share the
  // walk takes seconds, and the window answers meanwhile.
  log.ShowProgress();
  log.ProcessMessages();
  TPlannedReads reads;
  unsigned long long copyBytes = 0;
  {
    const TServedReads served(&log);
    reads = PlannedReads(Plan);
    copyBytes = PlannedCopyBytes(Plan) + DistributionCheckBytes(Plan.Source, reads);
  }
  TInstallProgress context(log, copyBytes, MeasuredStages);
  bool checked = false;
  try {
    context.ProcessMessages();
    const TServedReads served(&context);
    const TLinkOut linkOut = FindLinkLeadingOut(Plan.Target);
    if (!linkOut.Link.empty()) throw EProgramError(LinkLeadingOutText(linkOut));
    TDistributionCheck check;
    if (!EnoughRoom(context, Plan, reads)) return ioNoDiskSpace;
    if (!SoundDistribution(context, log, Plan, reads, check)) return ioDamagedDistribution;
    // Before the first copy: no program may run from the target while files are copied over its own and
    // the record of what the run put there is made.
    if (!NoProgramRunsFrom(context, Plan.Target, L"Установка не начата")) {
      context.Failed();
      return ioSuiteRunning;
    }
    const TCheckedSizes guard(check.CheckedSizes);
    checked = true;
    if (Plan.PrepareTarget) PrepareTargetFolder(Plan.Target);
    log.ReleaseTargetFile();
    // What this run puts into the target is recorded however the run ends.
    TInstallRecorder recorder(Plan.Target);
    recorder.KnowDigests(check.Digests);
    const TInstallOutcome outcome = RunStages(context, Plan);
    if (outcome != ioInstalled) context.Failed();
    return outcome;
  } catch (const EProgramError& error) {
    // The busy span is left by now; the running line keeps no outcome word; nothing is rolled back.
    // The error's text stays the last line, where a deployment tool looks for it.
    if (checked) log.ReleaseTargetFile();
    if (error.SystemCode() != 0) log.Note(L"Код ошибки Windows: " + std::to_wstring(error.SystemCode()));
    log.Note(error.Text());
    context.ShowError(error.Text());
    return ioError;
  }
}
