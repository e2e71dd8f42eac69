#include "InstallRecord.h"

#include <windows.h>

#include <functional>
#include <utility>

#include "ChecksumList.h"
#include "Error.h"
#include "FileOps.h"
#include "Scoped.h"
#include "ServedReads.h"
#include "Text.h"

const wchar_t* const InstallRecordFile = L"Settings\\install-record.txt";

namespace {

// A record is a few kilobytes; anything far larger is not one.
constexpr unsigned long long MaxRecordBytes = 16ull << 20;

TInstallRecorder* ActiveRecorder = nullptr;

long long TimeOf(const FILETIME& Time) {
  return static_cast<long long>((static_cast<unsigned long long>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime);
}

using TVisit = std::function<void(const std::wstring& Relative, const WIN32_FIND_DATAW& Found)>;

// Everything below Root + Relative, folders before their content. Links and junctions are neither
// followed nor reported: what they lead to is not the installation's. At the top of the target, the
// database and settings folders are left out.
void Walk(const std::wstring& Root, const std::wstring& Relative, const TVisit& Visit) {
  WIN32_FIND_DATAW found;
  BeforeMediumLookup();
  TScopedFind search(FindFirstFileW((Root + Relative + L"*").c_str(), &found));
  if (!search.Valid()) return;
  do {
    BeforeMediumLookup();
    if (IsDotEntry(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    const std::wstring relative = Relative + found.cFileName;
    if (Relative.empty() && IsKeptArea(relative)) continue;
    Visit(relative, found);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(Root, relative + L"\\", Visit);
  } while (FindNextFileW(search.Get(), &found));
}

// What tells a written file from an untouched one: a script's "copy" keeps the source's write time, but
// the change time moves with every write.
TTargetChanges::TStamp StampOf(const std::wstring& Path, const WIN32_FIND_DATAW& Found) {
  TTargetChanges::TStamp stamp;
  stamp.Size = (static_cast<unsigned long long>(Found.nFileSizeHigh) << 32) | Found.nFileSizeLow;
  stamp.Written = TimeOf(Found.ftLastWriteTime);
  BeforeMediumLookup();
  TScopedFile file(CreateFileW(Path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILE_BASIC_INFO basic{};
  if (file.Valid() && GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof(basic)))
    stamp.Changed = basic.ChangeTime.QuadPart;
  return stamp;
}

bool IsThere(const std::wstring& Path, bool Folder) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == Folder;
}

}  // namespace

TInstallRecorder::TInstallRecorder(const std::wstring& Target)
    : FTarget(Target),
      FPreviousListener(SetInstalledFilesListener(this)),
      FPreviousActive(std::exchange(ActiveRecorder, this)) {
  if (!FTarget.empty() && FTarget.back() != L'\\') FTarget += L'\\';
}

TInstallRecorder::~TInstallRecorder() {
  SetInstalledFilesListener(FPreviousListener);
  ActiveRecorder = FPreviousActive;
  try {
    Save();
  } catch (...) {
    // The run's own error, if any, is what the operator must see; a later run records again.
  }
}

TInstallRecorder* TInstallRecorder::Active() { return ActiveRecorder; }

bool TInstallRecorder::Relative(const std::wstring& Path, std::wstring& Result) const {
  if (FTarget.empty() || !StartsWithIgnoringCase(Path, FTarget)) return false;
  Result = Path.substr(FTarget.size());
  while (!Result.empty() && Result.back() == L'\\') Result.pop_back();
  return !Result.empty();
}

void TInstallRecorder::Add(const std::wstring& RelativePath, bool Folder) {
  TRecordEntry entry;
  std::wstring reason;
  if (!CheckRecordedPath(RelativePath + (Folder ? L"\\" : L""), entry, reason)) return;
  if (!Folder) {
    const auto digest = FDigests.find(FoldedPath(RelativePath));
    if (digest != FDigests.end()) entry.Digest = digest->second;
  }
  FEntries.push_back(entry);
  // The folders that hold it; each is removed only once empty.
  for (size_t at = RelativePath.find(L'\\'); at != std::wstring::npos; at = RelativePath.find(L'\\', at + 1))
    FEntries.push_back({RelativePath.substr(0, at), true});
}

void TInstallRecorder::KnowDigests(const std::map<std::wstring, std::wstring>& ByPath) {
  for (const auto& known : ByPath) {
    std::wstring relative;
    if (Relative(known.first, relative)) FDigests[FoldedPath(relative)] = known.second;
  }
}

void TInstallRecorder::FilePut(const std::wstring& Path) {
  std::wstring relative;
  if (Relative(Path, relative)) Add(relative, false);
}

void TInstallRecorder::FolderPut(const std::wstring& Path) {
  std::wstring relative;
  if (Relative(Path, relative)) Add(relative, true);
}

void TInstallRecorder::TreePut(const std::wstring& Folder) {
  std::wstring relative;
  if (Relative(Folder, relative)) FTrees.push_back(relative);
}

void TInstallRecorder::LinkPut(const std::wstring& Path) {
  std::wstring reason;
  if (CheckLinkPath(Path, reason)) FLinks.push_back(Path);
}

void TInstallRecorder::Save() {
  // The trees are looked at now: the programs started meanwhile (the driver installer) add to them.
  for (const std::wstring& tree : FTrees) {
    if (!IsThere(FTarget + tree, true)) continue;
    Add(tree, true);
    Walk(FTarget, tree + L"\\", [this](const std::wstring& Relative, const WIN32_FIND_DATAW& Found) {
      Add(Relative, (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    });
  }
  FTrees.clear();

  const std::wstring file = FTarget + InstallRecordFile;
  std::string before;
  const bool hadRecord = static_cast<bool>(ReadWholeFile(file, before, MaxRecordBytes));
  std::vector<TRecordEntry> entries = FEntries;
  std::vector<std::wstring> links = FLinks;
  if (hadRecord) {
    const TInstallRecordText earlier = ParseInstallRecord(before);
    entries.insert(entries.end(), earlier.Entries.begin(), earlier.Entries.end());
    links.insert(links.end(), earlier.Links.begin(), earlier.Links.end());
  }
  std::vector<std::wstring> presentLinks;
  for (const std::wstring& link : links)
    if (IsThere(link, false)) presentLinks.push_back(link);
  std::vector<TRecordEntry> present;
  unsigned long long bytes = 0;
  for (const TRecordEntry& entry : entries) {
    if (!IsThere(FTarget + entry.Path, entry.Folder)) continue;
    present.push_back(entry);
  }
  const std::string text = FormatInstallRecord(present, presentLinks);
  FText = text;
  // The size counts each file once, as the record lists it.
  const TInstallRecordText written = ParseInstallRecord(text);
  for (const TRecordEntry& entry : written.Entries) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!entry.Folder && GetFileAttributesExW((FTarget + entry.Path).c_str(), GetFileExInfoStandard, &data))
      bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  const unsigned long long kib = (bytes + 1023) / 1024;
  FSizeKiB = kib > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<unsigned long>(kib);
  if (present.empty() && presentLinks.empty() && !hadRecord) return;
  // Written also when unchanged: that takes a temporary file an interrupted run left beside it away.
  ReplaceFileAtomically(file, text);
}

TTargetChanges::TTargetChanges(const std::wstring& Target) : FTarget(Target) {
  if (!FTarget.empty() && FTarget.back() != L'\\') FTarget += L'\\';
  Walk(FTarget, L"", [this](const std::wstring& Relative, const WIN32_FIND_DATAW& Found) {
    if (!(Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) FBefore[Relative] = StampOf(FTarget + Relative, Found);
  });
}

TTargetChanges::~TTargetChanges() {
  try {
    Walk(FTarget, L"", [this](const std::wstring& Relative, const WIN32_FIND_DATAW& Found) {
      if (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      const auto before = FBefore.find(Relative);
      if (before == FBefore.end() || !(before->second == StampOf(FTarget + Relative, Found)))
        ReportFilePut(FTarget + Relative);
    });
  } catch (...) {
    // Out of memory while listing: the record misses these files, the installation goes on.
  }
}

TRecordRead ReadInstallRecord(const std::wstring& Target, TInstallRecordText& Record) {
  return ReadInstallRecordFile(Target + InstallRecordFile, Record);
}

TRecordRead ReadInstallRecordFile(const std::wstring& File, TInstallRecordText& Record) {
  Record = TInstallRecordText();
  std::string bytes;
  const TWholeFileRead read = ReadWholeFile(File, bytes, MaxRecordBytes);
  if (read.Outcome == TWholeFileRead::Missing) return rrMissing;
  if (!read) return rrUnreadable;
  Record = ParseInstallRecord(bytes);
  return Record.Signed ? rrRead : rrUnreadable;
}
