#include "Registration.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "Error.h"
#include "FileOps.h"
#include "InstallRecord.h"
#include "InstalledFiles.h"
#include "MachineUninstaller.h"
#include "Paths.h"
#include "ProgramVersion.h"
#include "ReleaseInfo.h"
#include "Scoped.h"
#include "TargetLinks.h"
#include "TrustedProgram.h"

namespace {

bool SamePath(const std::wstring& A, const std::wstring& B) {
  const std::wstring a = FullPathOf(A), b = FullPathOf(B);
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A setup program is a few megabytes; what is far larger is not compared but copied over.
constexpr unsigned long long MaxSetupProgramBytes = 64ull << 20;

bool SameContent(const std::wstring& A, const std::wstring& B) {
  std::string a, b;
  return ReadWholeFile(A, a, MaxSetupProgramBytes) && ReadWholeFile(B, b, MaxSetupProgramBytes) && a == b;
}

// Copied beside its place and moved over it once whole: an uninstall started meanwhile never finds half
// a program. The copy of an earlier installation by the same program stays as it is: a full disk that
// let the installation through is not asked for room for it again.
void CopySetupProgram(const std::wstring& Program, const std::wstring& Copy) {
  if (SamePath(Program, Copy) || SameContent(Program, Copy)) {
    ReportFilePut(Copy);
    return;
  }
  // The system's copy writes by name: the folder is checked and held instead, so it stays what it was.
  const TScopedFile folder(HoldFolderInside(Copy));
  const std::wstring aside = Copy + L".tmp";
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!CopyFileW(Program.c_str(), aside.c_str(), FALSE)) ThrowFileError(L"Cannot create file", Copy, GetLastError());
  // The distribution's medium may have made it read-only.
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(aside.c_str(), Copy.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(aside.c_str());
    ThrowFileError(L"Cannot create file", Copy, code);
  }
  ReportFilePut(Copy);
}

std::wstring Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t text[16] = {};
  wsprintfW(text, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

// The machine-wide registration; false when it is not for this run or did not go through, and nothing of
// it is left then.
bool RegisterMachineWide(const TInstallPlan& Plan, TInstallRecorder& Recorder) {
  if (Plan.SetupProgram.empty() || !RunsWithAdministratorRights()) return false;
  const std::wstring folder = MachineUninstallerFolder(Plan.EntryName);
  if (folder.empty()) return false;
  Recorder.Save();
  try {
    PlaceMachineUninstaller(folder, Plan.SetupProgram, Recorder.Text());
    WriteUninstallEntry(Plan.EntryName, EntryFor(Plan, Recorder.SizeKiB(), folder), erMachineOnly);
    return true;
  } catch (const EProgramError&) {
    // Registered for this user instead. An earlier machine-wide entry that stays keeps its uninstaller.
    if (!MachineUninstallerOf(Plan.EntryName, Plan.Target).empty()) return false;
    RemoveMachineUninstallerFile(folder + SetupCopyName);
    RemoveMachineUninstallerFile(folder + MachineRecordName);
    RemoveDirectoryW(folder.c_str());
    return false;
  }
}

}  // namespace

TUninstallEntry EntryFor(const TInstallPlan& Plan, unsigned long SizeKiB, const std::wstring& MachineUninstaller) {
  TUninstallEntry entry;
  const std::wstring copy = (MachineUninstaller.empty() ? Plan.Target : MachineUninstaller) + SetupCopyName;
  entry.DisplayName = Plan.ProductName;
  entry.DisplayVersion = RecordedReleaseLevel(Plan.Target);
  if (entry.DisplayVersion.empty()) entry.DisplayVersion = ProgramVersion();
  entry.Publisher = Plan.Publisher;
  entry.InstallLocation = Plan.Target;
  const std::wstring mainProgram = Plan.Target + Plan.MainProgram;
  const DWORD attributes = GetFileAttributesW(mainProgram.c_str());
  entry.DisplayIcon = !Plan.MainProgram.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
                              !(attributes & FILE_ATTRIBUTE_DIRECTORY)
                          ? mainProgram
                          : copy;
  entry.UninstallString = L"\"" + copy + L"\" /UNINSTALL";
  if (!MachineUninstaller.empty()) {
    // No backslash before the closing quote, which a tool that parses the line would read as an escape.
    std::wstring folder = Plan.Target;
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    entry.UninstallString += L" /DIR=\"" + folder + L"\"";
  }
  entry.QuietUninstallString = entry.UninstallString + L" /VERYSILENT";
  entry.EstimatedSize = SizeKiB;
  entry.InstallDate = Today();
  entry.URLInfoAbout = Plan.AboutLink;
  return entry;
}

void RegisterInstallation(TInstallContext& Context, const TInstallPlan& Plan) {
  if (Plan.EntryName.empty()) return;
  // Outside an installation's run the record is this stage's own.
  std::unique_ptr<TInstallRecorder> own;
  if (!TInstallRecorder::Active()) own = std::make_unique<TInstallRecorder>(Plan.Target);
  TInstallRecorder& recorder = *TInstallRecorder::Active();
  // The suite is installed by now and works without its entry: a failure here is told, not made the
  // installation's (an entry of an earlier installation stays as it was).
  try {
    if (RegisterMachineWide(Plan, recorder)) return;
    if (!Plan.SetupProgram.empty()) CopySetupProgram(Plan.SetupProgram, Plan.Target + SetupCopyName);
    recorder.Save();
    WriteUninstallEntry(Plan.EntryName, EntryFor(Plan, recorder.SizeKiB()), erUserOnly);
  } catch (const EProgramError& error) {
    Context.AddLine(L"Комплекс не внесён в список установленных программ Windows: " + error.Text());
  }
}
