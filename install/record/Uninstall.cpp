#include "Uninstall.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "CommandLine.h"
#include "FileOps.h"
#include "InstallLog.h"
#include "InstallProgress.h"
#include "InstallRecord.h"
#include "MachineUninstaller.h"
#include "ProgramVersion.h"
#include "Registration.h"
#include "RunningPrograms.h"
#include "Scoped.h"
#include "Shortcut.h"
#include "SystemError.h"
#include "TargetFolder.h"
#include "TargetRemoval.h"
#include "Text.h"

namespace {

// How long the removal of the setup copy waits for the system to let go of a program that just ended.
constexpr DWORD SetupCopyWaitMs = 10000;
// How long a folder in use is tried again.
constexpr DWORD FolderWaitMs = 2000;
// The clinic's own names the log lists at most; the rest is counted.
constexpr size_t ListedOwnNames = 10;

bool SameName(const std::wstring& A, const wchar_t* B) {
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B, -1, TRUE) == CSTR_EQUAL;
}

std::wstring Heading(const std::wstring& Target) {
  const std::wstring version = ProgramVersion();
  return L"Удаление" + (version.empty() ? L"" : L" " + version) + L"  из папки \"" + Target + L"\"";
}

// The top of the target as the uninstall leaves it, but the database, the settings and the setup copy.
std::vector<std::wstring> OwnNamesLeft(const std::wstring& Target) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  TScopedFind search(FindFirstFileW((Target + L"*").c_str(), &found));
  if (!search.Valid()) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || IsKeptArea(name) || SameName(name, SetupCopyName)) continue;
    names.push_back(name);
  } while (FindNextFileW(search.Get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring JoinNames(const std::vector<std::wstring>& Names) {
  std::wstring text;
  for (size_t i = 0; i < Names.size() && i < ListedOwnNames; ++i) text += (i > 0 ? L", \"" : L"\"") + Names[i] + L"\"";
  if (Names.size() > ListedOwnNames) text += L" и ещё " + std::to_wstring(Names.size() - ListedOwnNames);
  return text;
}

class TUninstallRun {
 public:
  // MachineUninstaller: the machine-wide uninstaller's folder, removed last; empty: none.
  TUninstallRun(TInstallProgress& Log, const TUninstallRequest& Request, const TTargetRemover& Remover,
                const std::wstring& MachineUninstaller)
      : FLog(Log), FRequest(Request), FRemover(Remover), FMachineUninstaller(MachineUninstaller) {}

  // What the progress bar counts: one step for each recorded entry, the desktop link, the entry in
  // Programs and Features and the machine-wide uninstaller.
  static int Steps(const TInstallRecordText& Record) { return static_cast<int>(Record.Entries.size()) + 3; }

  TUninstallResult Run(const TInstallRecordText& Record);

 private:
  // One line in the log's protocol: the step, then its outcome.
  void Step(const std::wstring& Text, bool Done) {
    const int line = FLog.AddLine(Text + L"....");
    FLog.AppendOutcome(line, Done ? OutcomeDone : OutcomeFailed);
    FLog.ProcessMessages();
  }
  void Notice(const std::wstring& Text) {
    FLog.AddLine(Text);
    FLog.ProcessMessages();
  }
  void Failed(const std::wstring& What, DWORD Code) {
    FFailures.push_back(What);
    Notice(L"Не удалось удалить \"" + What + L"\": " + SystemErrorText(Code));
  }
  void RemoveEntry(const TRecordEntry& Entry);
  void RemoveDesktopLinks(const std::vector<std::wstring>& Recorded);
  void RemoveDesktopLink(const std::wstring& Link);
  void RemoveProgramsEntry();
  void TellWhatStays();
  void ReleaseSetupCopy();
  void RemoveSetupCopy(const TRecordEntry& Entry);
  void RemoveMachineUninstaller();
  TUninstallResult Result(TUninstallOutcome Outcome) const;

  TInstallProgress& FLog;
  const TUninstallRequest& FRequest;
  const TTargetRemover& FRemover;
  const std::wstring FMachineUninstaller;
  bool FReleased = false;
  std::vector<std::wstring> FFailures;  // full paths, and the entry
  // The setup copies that stayed after the hand-over, when everything else was gone; with why.
  std::vector<std::wstring> FCopiesLeft;
  std::vector<std::wstring> FOwnNames;  // what the clinic has at the top of the target
};

void TUninstallRun::RemoveEntry(const TRecordEntry& Entry) {
  const std::wstring what = Entry.Folder ? L"папки " : L"файла ";
  const std::wstring kept = (Entry.Folder ? L"Папка \"" : L"Файл \"") + Entry.Path +
                            (Entry.Folder ? L"\" оставлена: " : L"\" оставлен: ");
  TRemovalResult removal = FRemover.Remove(Entry);
  // A folder that a program which just ended had as its current one stays locked for a moment (the
  // console of the release level's script).
  const DWORD start = GetTickCount();
  while (Entry.Folder && removal.Result == rmFailed && removal.Error == ERROR_SHARING_VIOLATION &&
         GetTickCount() - start < FolderWaitMs) {
    Sleep(100);
    removal = FRemover.Remove(Entry);
  }
  switch (removal.Result) {
    case rmRemoved:
      Step(L"Удаление " + what + Entry.Path, true);
      break;
    case rmMissing:
      break;
    case rmNotEmpty:
      Notice(kept + L"в ней есть то, что не ставила программа установки");
      break;
    case rmOutside:
      Notice(kept + L"путь ведёт за пределы папки установки или в папку базы данных или настроек");
      break;
    case rmLink:
      Notice(kept + L"это ссылка, а не то, что ставила программа установки");
      break;
    case rmOtherKind:
      Notice(kept + (Entry.Folder ? L"на диске это файл, а не папка" : L"на диске это папка, а не файл"));
      break;
    case rmFailed:
      Step(L"Удаление " + what + Entry.Path, false);
      Failed(FRequest.Target + Entry.Path, removal.Error);
      break;
  }
}

// Where the installations put them; a record from before links were recorded names none, and its link
// lies on this account's desktop.
void TUninstallRun::RemoveDesktopLinks(const std::vector<std::wstring>& Recorded) {
  if (Recorded.empty()) {
    RemoveDesktopLink(DesktopShortcutPath(FRequest.ProductName));
    return;
  }
  for (const std::wstring& link : Recorded) RemoveDesktopLink(link);
}

void TUninstallRun::RemoveDesktopLink(const std::wstring& Link) {
  const std::wstring& link = Link;
  const DWORD attributes = link.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(link.c_str());
  // A folder or a link of the file system by that name is none the installation wrote.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return;
  const std::wstring name = link.substr(link.find_last_of(L'\\') + 1);
  // The operator may have pointed it elsewhere, or another installation made it: only ours goes.
  if (!StartsWithIgnoringCase(ShortcutTarget(link), FRequest.Target)) {
    Notice(L"Ярлык \"" + name + L"\" на рабочем столе оставлен: он указывает не в папку установки");
    return;
  }
  if (DeleteFileW(link.c_str())) {
    Step(L"Удаление ярлыка \"" + name + L"\" с рабочего стола", true);
  } else {
    const DWORD code = GetLastError();
    Step(L"Удаление ярлыка \"" + name + L"\" с рабочего стола", false);
    Failed(link, code);
  }
}

void TUninstallRun::RemoveProgramsEntry() {
  const TEntryRemoval removal = RemoveUninstallEntries(FRequest.EntryName, FRequest.Target);
  if (removal.Removed > 0 || !removal.Error.empty())
    Step(L"Удаление из списка установленных программ", removal.Error.empty());
  if (removal.OtherFolder > 0)
    Notice(L"Запись \"" + FRequest.EntryName + L"\" в списке установленных программ оставлена: она относится к другой папке");
  if (!removal.Error.empty()) {
    FFailures.push_back(L"запись в списке установленных программ");
    Notice(L"Не удалось удалить запись из списка установленных программ: " + removal.Error);
  }
}

void TUninstallRun::TellWhatStays() {
  const std::wstring& target = FRequest.Target;
  if (DirectoryExists(target + L"DTAfb")) Notice(L"Оставлена база данных: папка \"" + target + L"DTAfb\"");
  if (DirectoryExists(target + L"Settings"))
    Notice(L"Оставлены настройки, справочники, нумерация и журнал установки: папка \"" + target + L"Settings\"");
  FOwnNames = OwnNamesLeft(target);
  if (!FOwnNames.empty()) Notice(L"Оставлено прочее содержимое папки установки: " + JoinNames(FOwnNames));
  Notice(L"Оставлены шрифты: ими могут пользоваться другие программы");
  Notice(L"Оставлен драйвер устройства: им могут пользоваться другие программы");
}

void TUninstallRun::ReleaseSetupCopy() {
  if (FReleased) return;
  FReleased = true;
  if (FRequest.ReleaseSetupCopy) FRequest.ReleaseSetupCopy();
}

// The program that just ended may hold its file for a moment longer: Remove is tried again meanwhile. The
// entry and everything else are gone by now: the log and the summary say what stays, not that they do.
template <typename TRemove>
void RemoveCopy(const std::wstring& Path, TRemove Remove, std::vector<std::wstring>& Left,
                const std::function<void(const std::wstring&)>& Notice) {
  const DWORD start = GetTickCount();
  DWORD error = Remove();
  while ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) && GetTickCount() - start < SetupCopyWaitMs) {
    Sleep(100);
    error = Remove();
  }
  if (error == 0) return;
  Left.push_back(L"\"" + Path + L"\" (" + SystemErrorText(error) + L")");
  Notice(L"Не удалось удалить \"" + Path + L"\": " + SystemErrorText(error));
}

void TUninstallRun::RemoveSetupCopy(const TRecordEntry& Entry) {
  ReleaseSetupCopy();
  RemoveCopy(
      FRequest.Target + Entry.Path,
      [&] {
        const TRemovalResult removal = FRemover.Remove(Entry);
        return removal.Result == rmFailed ? removal.Error : 0;
      },
      FCopiesLeft, [this](const std::wstring& Text) { Notice(Text); });
}

// Its own folder under Program Files: the uninstaller, the record's copy, then the folder.
void TUninstallRun::RemoveMachineUninstaller() {
  ReleaseSetupCopy();
  for (const wchar_t* name : {SetupCopyName, MachineRecordName}) {
    const std::wstring path = FMachineUninstaller + name;
    RemoveCopy(
        path, [&] { return static_cast<DWORD>(RemoveMachineUninstallerFile(path)); }, FCopiesLeft,
        [this](const std::wstring& Text) { Notice(Text); });
  }
  RemoveDirectoryW(FMachineUninstaller.c_str());
}

TUninstallResult TUninstallRun::Result(TUninstallOutcome Outcome) const {
  const std::wstring& target = FRequest.Target;
  TUninstallResult result;
  result.Outcome = Outcome;
  if (Outcome == uoIncomplete && FFailures.empty() && !FCopiesLeft.empty()) {
    result.Summary = L"Комплекс \"" + FRequest.ProductName + L"\" удалён, и запись в списке установленных программ "
                     L"удалена, но не удалось удалить программу удаления: ";
    for (size_t i = 0; i < FCopiesLeft.size(); ++i) result.Summary += (i > 0 ? L", " : L"") + FCopiesLeft[i];
    result.Summary += L".\r\n\r\nЭтот файл можно удалить вручную.";
  } else if (Outcome == uoRemoved) {
    result.Summary = L"Комплекс \"" + FRequest.ProductName + L"\" удалён.\r\n\r\nВ папке \"" + target +
                     L"\" остались база данных (папка \"DTAfb\"), настройки и журнал установки (папка \"Settings\")";
    if (!FOwnNames.empty()) result.Summary += L", а также прочее её содержимое: " + JoinNames(FOwnNames);
    result.Summary += L".\r\nШрифты и драйвер устройства оставлены: ими могут пользоваться другие программы.";
  } else {
    result.Summary = L"Удаление не завершено. Не удалось удалить: " + JoinNames(FFailures) +
                     L".\r\n\r\nПодробности — в журнале \"" + target +
                     L"Settings\\install.log\". Закройте программы комплекса и запустите удаление ещё раз: "
                     L"запись в списке установленных программ оставлена.";
  }
  return result;
}

TUninstallResult TUninstallRun::Run(const TInstallRecordText& Record) {
  for (const TRecordProblem& problem : Record.Problems)
    Notice(L"Строка " + std::to_wstring(problem.Line) + L" записи об установке пропущена: " + problem.Reason);
  std::vector<TRecordEntry> files, folders, setupCopies;
  for (const TRecordEntry& entry : Record.Entries) {
    if (!entry.Folder && SameName(entry.Path, SetupCopyName))
      setupCopies.push_back(entry);
    else
      (entry.Folder ? folders : files).push_back(entry);
  }
  {
    const TBusySpan busy(FLog);
    for (const TRecordEntry& entry : files) {
      RemoveEntry(entry);
      FLog.StageDone();
    }
    // The deepest first: a folder goes once what it held is gone.
    std::stable_sort(folders.begin(), folders.end(), [](const TRecordEntry& A, const TRecordEntry& B) {
      return std::count(A.Path.begin(), A.Path.end(), L'\\') > std::count(B.Path.begin(), B.Path.end(), L'\\');
    });
    for (const TRecordEntry& entry : folders) {
      RemoveEntry(entry);
      FLog.StageDone();
    }
    RemoveDesktopLinks(Record.Links);
    FLog.StageDone();
    if (FFailures.empty()) {
      RemoveProgramsEntry();
    } else {
      Notice(L"Запись в списке установленных программ оставлена, чтобы удаление можно было повторить");
    }
    FLog.StageDone();
  }
  TellWhatStays();
  if (!FFailures.empty()) {
    Notice(L"Удаление не завершено: закройте программы комплекса и запустите удаление ещё раз");
    // As an installation ended by an error: the bar stays where it stopped, red, and "Выход" stays off.
    FLog.Failed();
    return Result(uoIncomplete);
  }
  Notice(L"Удаление завершено");
  for (const TRecordEntry& entry : setupCopies) {
    RemoveSetupCopy(entry);
    FLog.StageDone();
  }
  if (!FMachineUninstaller.empty()) RemoveMachineUninstaller();
  FLog.StageDone();
  // The target goes too when nothing at all is left in it.
  RemoveDirectoryW(FRequest.Target.c_str());
  if (!FCopiesLeft.empty()) {
    FLog.Failed();
    return Result(uoIncomplete);
  }
  // As an installation that went through: the bar full, then "Выход" works.
  FLog.Finished();
  FLog.EnableExit();
  return Result(uoRemoved);
}

// A refusal is written to the second log only: the folder may be anyone's.
TUninstallResult Refuse(TInstallContext& Context, const TUninstallRequest& Request, const std::wstring& Text) {
  TInstallLog log(Context, std::wstring(), std::wstring(), Request.LogFile, Heading(Request.Target));
  log.Note(Text);
  log.ShowError(Text);
  return {uoRefused, Text};
}

}  // namespace

int UninstallExitCode(TUninstallOutcome Outcome) {
  switch (Outcome) {
    case uoRemoved: return ecInstalled;
    case uoCancelled: return ecCancelled;
    case uoSuiteRunning: return ecSuiteRunning;
    default: return ecInstallFailed;
  }
}

TUninstallResult RunUninstall(TInstallContext& Context, const TUninstallRequest& Request) {
  const std::wstring& target = Request.Target;
  std::wstring checked;
  // The installation never goes to a drive's root; no record may make the uninstall work there.
  if (CheckTargetFolder(target, checked) != tcValid)
    return Refuse(Context, Request, L"Удалять можно только из папки установки, не из корня диска: \"" + target +
                                        L"\". Ничего не удалено.");
  // A machine-wide installation is removed by the record's copy kept with its uninstaller, which users
  // cannot change; the target's own stays the fallback.
  const std::wstring machine = MachineUninstallerOf(Request.EntryName, target);
  TInstallRecordText record;
  TRecordRead read = rrMissing;
  if (!machine.empty()) read = ReadInstallRecordFile(machine + MachineRecordName, record);
  if (read == rrMissing) read = ReadInstallRecord(target, record);
  switch (read) {
    case rrMissing:
      return Refuse(Context, Request,
                    L"В папке \"" + target + L"\" нет записи об установке (\"" + InstallRecordFile +
                        L"\"): программа установки не знает, что там её. Ничего не удалено.");
    case rrUnreadable:
      return Refuse(Context, Request,
                    L"Запись об установке \"" + target + InstallRecordFile +
                        L"\" не читается или повреждена. Ничего не удалено.");
    case rrRead:
      break;
  }
  const TTargetRemover remover(target);
  if (!remover.Usable())
    return Refuse(Context, Request, L"Папка \"" + target + L"\" не открывается. Ничего не удалено.");

  if (!Context.AskYesNo(L"Удалить комплекс \"" + Request.ProductName + L"\" из папки \"" + target +
                        L"\"?\r\n\r\nБаза данных (папка \"DTAfb\"), настройки (папка \"Settings\") и всё, что "
                        L"положила туда не программа установки, останутся на месте. Шрифты и драйвер "
                        L"устройства тоже останутся."))
    return {uoCancelled, std::wstring()};

  TInstallLog log(Context, std::wstring(), target, Request.LogFile, Heading(target));
  TInstallProgress progress(log, 0, TUninstallRun::Steps(record));
  progress.ShowProgress();
  progress.ProcessMessages();
  // Their files would be refused half-way, or removed under them.
  if (!NoProgramRunsFrom(progress, target, L"Удаление не начато, ничего не удалено"))
    return {uoSuiteRunning, std::wstring()};
  TUninstallRun run(progress, Request, remover, machine);
  return run.Run(record);
}
