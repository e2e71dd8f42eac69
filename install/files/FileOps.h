#pragma once
// The file operations the deployment stages are built from. Paths are joined by plain concatenation:
// a folder path given with a trailing backslash is followed directly by a name. Long and Cyrillic
// names work everywhere (only "W" calls).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "MessagePump.h"

// True for the "." and ".." entries a folder search returns.
bool IsDotEntry(const wchar_t* Name);
// True when a file (not a folder) of that name exists.
bool FileExists(const std::wstring& Path);
// True when the folder exists (links followed).
bool DirectoryExists(const std::wstring& Path);
// What reading a whole file came to; true when it was read.
struct TWholeFileRead {
  enum TOutcome { Read, Missing, Unreadable, TooLarge } Outcome = Read;
  DWORD Code = 0;               // the system's error code when Missing or Unreadable
  unsigned long long Size = 0;  // when TooLarge, the bytes found (at least)
  explicit operator bool() const { return Outcome == Read; }
};
constexpr unsigned long long AnyFileSize = ~0ull;
// The whole of Path into Bytes (emptied unless Read), read to its end and shared with every other
// reader and writer. Missing when the file or its folder is not there; TooLarge above Limit bytes,
// refused before anything is read when the size says so, and when it grows past Limit meanwhile.
TWholeFileRead ReadWholeFile(const std::wstring& Path, std::string& Bytes, unsigned long long Limit = AnyFileSize);

// Creates one level; the parent must exist. True when the folder was created.
bool CreateDir(const std::wstring& Path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::wstring& Path);

// Copies Source over Destination and gives the copy the source's last-write time, rounded to the two
// seconds of the old FAT date format. Throws EProgramError "Cannot open file "<name>". <cause>" when
// the source cannot be opened (nothing is created then) and "Cannot create file "<name>". <cause>" when
// the destination cannot be created (a missing folder, a read-only file, a file held open elsewhere).
// Returns false on a read or write error while copying; the partial destination is left in place.
// Pump, when given, is told of every piece written and served between pieces by time (TPumpByTime).
bool CopyFileWithDate(const std::wstring& Source, const std::wstring& Destination, TMessagePump* Pump = nullptr);

// The same for a Destination that is not there yet, through Destination + ".tmp" (a leftover of an
// interrupted run overwritten) moved into place at the end without replacing: Destination is either
// missing or whole, never cut short, so a later run that keeps an existing file never keeps a broken
// one. Errors name Destination. False on a read or write error, or when the move fails (a Destination
// that appeared meanwhile is kept); the temporary file is removed then. With a Pump the file is put on
// the disk in steps while it is copied, so its final flush never keeps the window waiting long.
bool CopyNewFileWithDate(const std::wstring& Source, const std::wstring& Destination, TMessagePump* Pump = nullptr);

// Writes Bytes to a temporary file beside Target (Target + ".tmp", a leftover of an earlier run simply
// overwritten), flushes it, and moves it over Target in one step (MoveFileExW with replace and
// write-through). On any failure the temporary file is removed, Target is as it was, and EProgramError
// "Cannot create file "<Target>". <cause>" is thrown. A read-only Target is not replaced: that error.
void ReplaceFileAtomically(const std::wstring& Target, const std::string& Bytes);

// Creates Target with Bytes only if it does not exist, the same way but moving without replacing: Target
// is either absent or complete, never half-written, and an existing one is never touched. False when
// Target exists or anything failed (the temporary file is removed then). Throws nothing of its own.
bool CreateFileAtomically(const std::wstring& Target, const std::string& Bytes);

namespace FileWriteSeams {
// Called with the temporary file's name after it is written, flushed and closed, just before it is
// moved into place. A test that throws from it leaves the files as a power cut at that moment would.
using BeforeMoveFn = void (*)(const std::wstring& TemporaryFile);
// Installs Fn (nullptr: none) and returns the previous one.
BeforeMoveFn SetBeforeMove(BeforeMoveFn Fn);

// Installs Fn for its lifetime and puts the previous one back.
class TScopedBeforeMove {
 public:
  explicit TScopedBeforeMove(BeforeMoveFn Fn) : FPrevious(SetBeforeMove(Fn)) {}
  ~TScopedBeforeMove() { SetBeforeMove(FPrevious); }
  TScopedBeforeMove(const TScopedBeforeMove&) = delete;
  TScopedBeforeMove& operator=(const TScopedBeforeMove&) = delete;

 private:
  BeforeMoveFn FPrevious;
};
}  // namespace FileWriteSeams

// What a tree copy left undone, for a caller that tells the operator.
struct TTreeCopyReport {
  std::wstring FirstNotCopied;  // the first destination file not copied; empty when every file was
  DWORD Error = 0;              // its Win32 code
};

// Copies the tree below Source into Destination (created with its parents when missing) with the
// system's file copy; files of a folder before its sub-folders. A file that cannot be copied is skipped,
// and so is an existing read-only, hidden or system file unless ReplaceProtected (for a folder that only
// this program fills, whose files a medium may have made read-only). Each copy is made beside its
// destination and moved over it once whole, so one that fails (a full disk) leaves the file that was
// there as it was. Report, when given, learns of the first file not copied. Pump as for CopyFileWithDate
// (Windows' copy tells it between its pieces; Wine's does not).
void CopyFolderTree(const std::wstring& Source, const std::wstring& Destination, bool ReplaceProtected = false,
                    TTreeCopyReport* Report = nullptr, TMessagePump* Pump = nullptr);

// The bytes of the files below Folder (sub-folders included); 0 for a missing folder. What
// CopyFolderTree would copy, for a progress measure known before the copy.
unsigned long long FolderTreeBytes(const std::wstring& Folder);
// The size of a file; 0 when it is missing.
unsigned long long FileBytes(const std::wstring& Path);

// One file an installation will copy from the distribution.
struct TPlannedCopy {
  std::wstring Source;       // relative to the distribution folder, backslashes between folders
  std::wstring Destination;  // full path
  bool Optional = false;     // its stage goes on without it (a font): missing and unlisted is no fault
};
// What the copies weigh at the source, in bytes.
unsigned long long PlannedBytes(const std::wstring& Source, const std::vector<TPlannedCopy>& Copies);

// While it lives, the sizes the distribution check read and proved, by the source's full path: a copy
// from such a file that finds another size now (changed since, or a medium that gave less) fails and is
// not moved into place, as a copy that failed to read.
class TCheckedSizes {
 public:
  explicit TCheckedSizes(const std::map<std::wstring, unsigned long long>& Sizes);
  ~TCheckedSizes();
  TCheckedSizes(const TCheckedSizes&) = delete;
  TCheckedSizes& operator=(const TCheckedSizes&) = delete;
  // True when Source was checked with a size other than Size.
  static bool Differs(const std::wstring& Source, unsigned long long Size);

 private:
  std::map<std::wstring, unsigned long long> FSizes;
  TCheckedSizes* FPrevious;
};

// Appends Folder + name for every direct sub-folder of Folder (which ends with a backslash) except ".",
// ".." and "WithOutAnswer" (compared case-sensitively), in the file system's order. A missing folder
// appends nothing.
void ListSubfolders(const std::wstring& Folder, std::vector<std::wstring>& List);

// Sets or clears the read-only bit, leaving every other attribute as it was; a missing path is left
// alone and nothing is reported.
void SetReadOnly(const std::wstring& Path, bool ReadOnly);

// Throws EProgramError "<What> "<FileName>". <the system's text>" carrying Code.
[[noreturn]] void ThrowFileError(const wchar_t* What, const std::wstring& FileName, DWORD Code);
