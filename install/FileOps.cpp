#include "FileOps.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "ChecksumList.h"
#include "Error.h"
#include "InstalledFiles.h"
#include "Paths.h"
#include "PowerCut.h"
#include "Scoped.h"
#include "ServedReads.h"
#include "SlowMedium.h"
#include "SystemError.h"
#include "TargetLinks.h"

namespace {

#ifdef FILEOPS_COPY_BUFFER_SIZE
// The benchmark's variants.
constexpr DWORD CopyBufferSize = FILEOPS_COPY_BUFFER_SIZE;
#else
// Chosen by scripts/bench.sh on a 1 GiB database file: 64 KiB makes four times the system calls, and from
// 1 MiB on the buffer no longer stays in the processor's cache, which costs more than the calls saved.
constexpr DWORD CopyBufferSize = 256 * 1024;
#endif

bool IsDotEntry(const wchar_t* Name) {
  return (Name[0] == L'.' && Name[1] == L'\0') || (Name[0] == L'.' && Name[1] == L'.' && Name[2] == L'\0');
}

// Carries the source's last-write time over in the old FAT format (local time, two seconds), the
// precision the suite's own tools compare by. A time that does not fit that format is not carried.
void CopyWriteTime(HANDLE Source, HANDLE Destination) {
  FILETIME written, local, back, result;
  WORD dosDate = 0, dosTime = 0;
  if (GetFileTime(Source, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local) &&
      FileTimeToDosDateTime(&local, &dosDate, &dosTime) && DosDateTimeToFileTime(dosDate, dosTime, &back) &&
      LocalFileTimeToFileTime(&back, &result)) {
    SetFileTime(Destination, nullptr, nullptr, &result);
  }
}

struct TVirtualFree {
  void operator()(char* Memory) const { VirtualFree(Memory, 0, MEM_RELEASE); }
};

// Puts what was written on the disk in steps while a copy goes on, so that the flush a copy must end with
// never keeps the window waiting long: all of a large file at once takes seconds on a slow disk. Each
// step is sized to take about StepMs, from how long the last one took.
class TFlushInSteps {
 public:
  explicit TFlushInSteps(HANDLE File) : FFile(File) {}
  // False when a flush failed.
  bool Written(DWORD Bytes) {
    FUnflushed += Bytes;
    if (FUnflushed < FStepBytes) return true;
    return Flush();
  }
  bool Flush() {
    const DWORD started = GetTickCount();
    if (!FlushFileBuffers(FFile)) return false;
    const DWORD took = GetTickCount() - started;
    if (took > StepMs && FStepBytes > MinStep) FStepBytes /= 2;
    if (took < StepMs / 4 && FStepBytes < MaxStep) FStepBytes *= 2;
    FUnflushed = 0;
    return true;
  }

 private:
  static constexpr DWORD StepMs = 100;
  static constexpr ULONGLONG MinStep = 4ull << 20, MaxStep = 256ull << 20;
  HANDLE FFile;
  ULONGLONG FUnflushed = 0;
  ULONGLONG FStepBytes = 32ull << 20;
};

// Copies exactly Size bytes; false on a read or write error, a short read included. Flush: on the disk
// at the end, for a copy that a rename then makes the real file.
bool CopyContent(HANDLE Source, HANDLE Destination, ULONGLONG Size, bool Flush, TMessagePump* Pump) {
  // Page-aligned: the kernel copies to and from it faster than to a heap block's odd offset.
  const std::unique_ptr<char, TVirtualFree> buffer(
      static_cast<char*>(VirtualAlloc(nullptr, CopyBufferSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
  if (!buffer) return false;
  TPumpByTime pump(Pump);
  TFlushInSteps flush(Destination);
  while (Size > 0) {
    const DWORD chunk = Size < CopyBufferSize ? static_cast<DWORD>(Size) : CopyBufferSize;
    DWORD got = 0;
    if (!ReadFile(Source, buffer.get(), chunk, &got, nullptr) || got != chunk) return false;
    DWORD written = 0;
    if (!WriteFile(Destination, buffer.get(), chunk, &written, nullptr) || written != chunk) return false;
    PowerCutPoint("copy.chunk");
    Size -= chunk;
    if (Size > 0) SlowMediumPiece();
    // Without a pump nobody waits for an answer: one flush at the end is all it needs.
    if (Flush && Pump && !flush.Written(chunk)) return false;
    pump.Copied(chunk);
  }
  return !Flush || flush.Flush();
}

// Windows refuses to replace a read-only, hidden or system file by creating over it or copying onto it;
// Wine run as root does not. Asked here, the program does on both what it does on Windows.
bool RefusesReplace(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// Where a file is written before a rename makes it the real one: beside it, so the rename is one step on
// one drive. A leftover of an interrupted run is ours to overwrite, even when something made it read-only.
std::wstring TemporaryBeside(const std::wstring& Target) {
  const std::wstring temporary = Target + L".tmp";
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  return temporary;
}

struct TCopyProgressState {
  TPumpByTime& Pump;
  LONGLONG Reported;
};

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER Transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                            HANDLE, HANDLE, LPVOID Data) {
  auto* state = static_cast<TCopyProgressState*>(Data);
  if (Transferred.QuadPart > state->Reported) {
    state->Pump.Copied(static_cast<unsigned long long>(Transferred.QuadPart - state->Reported));
    state->Reported = Transferred.QuadPart;
  }
  return PROGRESS_CONTINUE;
}

// The system's copy (attributes and times carried over, replacing), telling Pump between its pieces.
bool CopyWithProgress(const std::wstring& Source, const std::wstring& Destination, TPumpByTime& Pump) {
  TCopyProgressState state{Pump, 0};
  return CopyFileExW(Source.c_str(), Destination.c_str(), CopyProgress, &state, nullptr, 0) != FALSE;
}

TCheckedSizes* ActiveCheckedSizes = nullptr;

// A copy that is not the size its source was checked at; the error code tells what happened.
bool SizeDiffersFromChecked(const std::wstring& Source, const std::wstring& Copy) {
  if (!TCheckedSizes::Differs(Source, FileBytes(Copy))) return false;
  SetLastError(ERROR_FILE_CORRUPT);
  return true;
}

// The platform copy, made beside the destination and moved over it only once whole: a copy that fails
// half-way (a full disk) leaves the file of an earlier installation as it was, not cut short. The Win32
// code of the failure, or 0.
DWORD CopyOverWhole(const std::wstring& Source, const std::wstring& Destination, TPumpByTime& Pump) {
  // The system's copy writes by name: the folder is checked and held instead, so it stays what it was.
  const TScopedFile folder(HoldFolderInside(Destination));
  const std::wstring aside = TemporaryBeside(Destination);
  if (CopyWithProgress(Source, aside, Pump) && !SizeDiffersFromChecked(Source, aside) &&
      MoveFileExW(aside.c_str(), Destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  const DWORD code = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
  // The copy took over the source's attributes, a read-only bit included.
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(aside.c_str());
  return code;
}

// Copies Source into WriteTo; errors name Shown, the file the caller means. Flush: on the disk before the
// handle is closed, for a copy that a rename then makes the real file.
bool CopyWithDate(const std::wstring& Source, const std::wstring& WriteTo, const std::wstring& Shown, bool Flush,
                  TMessagePump* Pump) {
  TScopedFile source(
      CreateFileW(Source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.Valid()) {
    const DWORD code = GetLastError();
    ThrowFileError(L"Cannot open file", Source, code);
  }
  LARGE_INTEGER size;
  // Checked before the destination is opened: a file that is not what was checked leaves it as it was.
  if (!GetFileSizeEx(source.Get(), &size) ||
      TCheckedSizes::Differs(Source, static_cast<unsigned long long>(size.QuadPart)))
    return false;
  if (RefusesReplace(WriteTo)) {
    source.Reset();
    ThrowFileError(L"Cannot create file", Shown, ERROR_ACCESS_DENIED);
  }
  const TScopedFile folder(HoldFolderInside(WriteTo));
  // Declared after the source, so it is closed first.
  TScopedFile destination(CreateFileW(WriteTo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!destination.Valid()) {
    const DWORD code = GetLastError();
    source.Reset();
    ThrowFileError(L"Cannot create file", Shown, code);
  }
  CheckWrittenInside(destination.Get(), WriteTo);
  // From here until its last piece the file is short.
  PowerCutPoint("copy.created");
  // A partial copy keeps the time of its writing, so it never passes for the source's file.
  if (!CopyContent(source.Get(), destination.Get(), static_cast<ULONGLONG>(size.QuadPart), Flush, Pump)) return false;
  CopyWriteTime(source.Get(), destination.Get());
  // The time too, which the content's flush came before.
  return !Flush || FlushFileBuffers(destination.Get());
}

FileWriteSeams::BeforeMoveFn BeforeMove = nullptr;

// The Win32 error of the failed step, or 0.
DWORD WriteTemporaryFile(const std::wstring& Name, const std::string& Bytes, const char* CreatedPoint) {
  const TScopedFile folder(HoldFolderInside(Name));
  TScopedFile file(CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return GetLastError();
  CheckWrittenInside(file.Get(), Name);
  PowerCutPoint(CreatedPoint);
  size_t done = 0;
  while (done < Bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file.Get(), Bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  // On the disk before the rename makes it the real file, or a power cut could leave an empty one.
  if (!FlushFileBuffers(file.Get())) return GetLastError();
  // An open handle would keep the rename from happening.
  if (!CloseHandle(file.Take())) return GetLastError();
  return 0;
}

// Writes the temporary file and moves it to Target with MoveFlags; the Win32 error, or 0.
DWORD WriteThenMove(const std::wstring& Target, const std::string& Bytes, DWORD MoveFlags) {
  const std::wstring temporary = TemporaryBeside(Target);
  const bool replace = (MoveFlags & MOVEFILE_REPLACE_EXISTING) != 0;
  DWORD code = WriteTemporaryFile(temporary, Bytes, replace ? "replace.temporary" : "create.temporary");
  if (code == 0) {
    PowerCutPoint(replace ? "replace.written" : "create.written");
    if (BeforeMove) BeforeMove(temporary);
    if (!MoveFileExW(temporary.c_str(), Target.c_str(), MoveFlags | MOVEFILE_WRITE_THROUGH)) code = GetLastError();
    else PowerCutPoint(replace ? "replace.moved" : "create.moved");
  }
  if (code != 0) DeleteFileW(temporary.c_str());
  return code;
}

}  // namespace

void ThrowFileError(const wchar_t* What, const std::wstring& FileName, DWORD Code) {
  throw EProgramError(std::wstring(What) + L" \"" + FileName + L"\". " + SystemErrorText(Code), Code);
}

bool FileExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  // A link or junction counts only when what it points at is there.
  TScopedFile target(CreateFileW(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!target.Valid()) return false;
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(target.Get(), &information) &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::wstring& Path) { return CreateDirectoryW(Path.c_str(), nullptr) != FALSE; }

bool ForceDirectories(const std::wstring& Path) {
  std::wstring folder = Path;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  const size_t separator = folder.find_last_of(L'\\');
  // A drive or share root that does not exist cannot be made.
  if (separator != std::wstring::npos && separator > 0 && folder[separator - 1] != L':' &&
      folder[separator - 1] != L'\\') {
    if (!ForceDirectories(folder.substr(0, separator))) return false;
  }
  // Someone else may have made it in the meantime; what counts is that it is there.
  return CreateDirectoryW(folder.c_str(), nullptr) || DirectoryExists(folder);
}

bool CopyFileWithDate(const std::wstring& Source, const std::wstring& Destination, TMessagePump* Pump) {
  return CopyWithDate(Source, Destination, Destination, false, Pump);
}

bool CopyNewFileWithDate(const std::wstring& Source, const std::wstring& Destination, TMessagePump* Pump) {
  const std::wstring temporary = TemporaryBeside(Destination);
  bool copied = false;
  try {
    copied = CopyWithDate(Source, temporary, Destination, true, Pump);
  } catch (...) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  if (copied) {
    PowerCutPoint("copy.written");
    // Without replacing: a file that appeared meanwhile is kept, and ours is dropped.
    copied = MoveFileExW(temporary.c_str(), Destination.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!copied) DeleteFileW(temporary.c_str());
  return copied;
}

void ReplaceFileAtomically(const std::wstring& Target, const std::string& Bytes) {
  // Windows refuses to move over a read-only file (Wine does not): refuse it here alike, before any
  // temporary file, so the operator's read-only settings stay as they are on every system.
  const DWORD attributes = GetFileAttributesW(Target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    ThrowFileError(L"Cannot create file", FullPathOf(Target), ERROR_ACCESS_DENIED);
  }
  const DWORD code = WriteThenMove(Target, Bytes, MOVEFILE_REPLACE_EXISTING);
  if (code != 0) ThrowFileError(L"Cannot create file", FullPathOf(Target), code);
}

bool CreateFileAtomically(const std::wstring& Target, const std::string& Bytes) {
  if (GetFileAttributesW(Target.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  // Without replace: a file that appeared meanwhile is kept, and ours is dropped.
  return WriteThenMove(Target, Bytes, 0) == 0;
}

namespace FileWriteSeams {
BeforeMoveFn SetBeforeMove(BeforeMoveFn Fn) { return std::exchange(BeforeMove, Fn); }
}  // namespace FileWriteSeams

namespace {

void CopyTree(const std::wstring& Source, const std::wstring& Destination, bool ReplaceProtected,
              TTreeCopyReport* Report, TPumpByTime& Pump) {
  if (!DirectoryExists(Destination)) ForceDirectories(Destination);
  ReportFolderPut(Destination);
  const auto notCopied = [Report](const std::wstring& File, DWORD Code) {
    if (Report && Report->FirstNotCopied.empty()) {
      Report->FirstNotCopied = File;
      Report->Error = Code;
    }
  };
  const std::wstring pattern = Source + L"\\*.*";
  WIN32_FIND_DATAW found;
  {
    TScopedFind search(FindFirstFileW(pattern.c_str(), &found));
    if (search.Valid()) {
      do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(found.cFileName)) continue;
        const std::wstring to = Destination + L"\\" + found.cFileName;
        if (RefusesReplace(to)) {
          // Refusals (an existing read-only or hidden file) are skipped unless the caller owns the folder.
          if (!ReplaceProtected) {
            notCopied(to, ERROR_ACCESS_DENIED);
            continue;
          }
          SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        const DWORD code = CopyOverWhole(Source + L"\\" + found.cFileName, to, Pump);
        ReportFilePut(to);
        if (code != 0) notCopied(to, code);
        PowerCutPoint("tree.copied");
      } while (FindNextFileW(search.Get(), &found));
    }
  }
  TScopedFind search(FindFirstFileW(pattern.c_str(), &found));
  if (!search.Valid()) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(found.cFileName)) continue;
    CopyTree(Source + L"\\" + found.cFileName, Destination + L"\\" + found.cFileName, ReplaceProtected, Report, Pump);
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace

void CopyFolderTree(const std::wstring& Source, const std::wstring& Destination, bool ReplaceProtected,
                    TTreeCopyReport* Report, TMessagePump* Pump) {
  TPumpByTime pump(Pump);
  CopyTree(Source, Destination, ReplaceProtected, Report, pump);
}

unsigned long long FolderTreeBytes(const std::wstring& Folder) {
  unsigned long long bytes = 0;
  WIN32_FIND_DATAW found;
  BeforeMediumLookup();
  TScopedFind search(FindFirstFileW((Folder + L"\\*.*").c_str(), &found));
  if (!search.Valid()) return 0;
  do {
    BeforeMediumLookup();
    if (IsDotEntry(found.cFileName)) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      bytes += FolderTreeBytes(Folder + L"\\" + found.cFileName);
    else
      bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  } while (FindNextFileW(search.Get(), &found));
  return bytes;
}

unsigned long long FileBytes(const std::wstring& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  BeforeMediumLookup();
  if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TCheckedSizes::TCheckedSizes(const std::map<std::wstring, unsigned long long>& Sizes)
    : FPrevious(std::exchange(ActiveCheckedSizes, this)) {
  for (const auto& entry : Sizes) FSizes[FoldedPath(entry.first)] = entry.second;
}

TCheckedSizes::~TCheckedSizes() { ActiveCheckedSizes = FPrevious; }

bool TCheckedSizes::Differs(const std::wstring& Source, unsigned long long Size) {
  if (!ActiveCheckedSizes) return false;
  const auto found = ActiveCheckedSizes->FSizes.find(FoldedPath(Source));
  return found != ActiveCheckedSizes->FSizes.end() && found->second != Size;
}

unsigned long long PlannedBytes(const std::wstring& Source, const std::vector<TPlannedCopy>& Copies) {
  unsigned long long bytes = 0;
  for (const TPlannedCopy& copy : Copies) bytes += FileBytes(Source + copy.Source);
  return bytes;
}

void ListSubfolders(const std::wstring& Folder, std::vector<std::wstring>& List) {
  WIN32_FIND_DATAW found;
  TScopedFind search(FindFirstFileW((Folder + L"*").c_str(), &found));
  if (!search.Valid()) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(found.cFileName)) continue;
    // Release levels put aside on purpose carry exactly this name.
    if (std::wstring(found.cFileName) == L"WithOutAnswer") continue;
    List.push_back(Folder + found.cFileName);
  } while (FindNextFileW(search.Get(), &found));
}

void SetReadOnly(const std::wstring& Path, bool ReadOnly) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  DWORD wanted = ReadOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
  // No bits at all must be said as "normal".
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  SetFileAttributesW(Path.c_str(), wanted);
}
