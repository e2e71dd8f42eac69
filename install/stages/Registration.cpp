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
#include "Scoped.h"
#include "TargetLinks.h"
#include "TrustedProgram.h"

namespace {

bool SamePath(const std::wstring& A, const std::wstring& B) {
  const std::wstring a = FullPathOf(A), b = FullPathOf(B);
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The whole file; false when it cannot be read.
bool ReadAll(const std::wstring& Path, std::string& Bytes) {
  TScopedFile file(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.Valid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (64 << 20)) return false;
  Bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  return Bytes.empty() || (ReadFile(file.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &got, nullptr) &&
                           got == Bytes.size());
}

bool SameContent(const std::wstring& A, const std::wstring& B) {
  std::string a, b;
  return ReadAll(A, a) && ReadAll(B, b) && a == b;
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

bool IsLevelChar(wchar_t C) {
  return (C >= L'0' && C <= L'9') || (C >= L'A' && C <= L'Z') || (C >= L'a' && C <= L'z') || C == L'.' ||
         C == L'-' || C == L'_';
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

std::wstring RecordedReleaseLevel(const std::wstring& Folder) {
  TScopedFile file(CreateFileW((Folder + L"ReleaseInfo").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return std::wstring();
  std::string bytes(64 * 1024, '\0');
  DWORD got = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return std::wstring();
  bytes.resize(got);
  // The release file is small XML; the element is looked for in its text, UTF-16 or a byte encoding.
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  } else {
    for (char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  const size_t open = text.find(L"<Level>");
  if (open == std::wstring::npos) return std::wstring();
  const size_t start = open + 7;
  const size_t close = text.find(L"</Level>", start);
  if (close == std::wstring::npos) return std::wstring();
  const std::wstring level = text.substr(start, close - start);
  if (level.empty() || level.size() > 32 || !std::all_of(level.begin(), level.end(), IsLevelChar)) return std::wstring();
  return level;
}

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
