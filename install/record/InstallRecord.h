#pragma once
// The installation record, Target + "Settings\install-record.txt": which files and folders the
// installations put into the target. The uninstall removes what it lists and nothing else. A reinstall
// keeps what the earlier record lists as long as it is still there, and adds its own.
#include <map>
#include <string>
#include <vector>

#include "InstallRecordText.h"
#include "InstalledFiles.h"

// Relative to the target folder.
extern const wchar_t* const InstallRecordFile;

// Records, while it lives, what the file primitives report inside Target (a full path with a trailing
// backslash); never anything in "DTAfb\" or "Settings\". The folders that hold a recorded file are
// recorded with it. When it ends, the record is written (failures swallowed: a run that failed keeps
// what it could).
class TInstallRecorder : public TInstalledFilesListener {
 public:
  explicit TInstallRecorder(const std::wstring& Target);
  ~TInstallRecorder() override;
  TInstallRecorder(const TInstallRecorder&) = delete;
  TInstallRecorder& operator=(const TInstallRecorder&) = delete;

  // The SHA-256 (hex) of files this run will put, by full path, as the distribution check proved them:
  // recorded with each, for a later verification.
  void KnowDigests(const std::map<std::wstring, std::wstring>& ByPath);

  void FilePut(const std::wstring& Path) override;
  void FolderPut(const std::wstring& Path) override;
  void TreePut(const std::wstring& Folder) override;
  // A desktop link to the suite, wherever it lies (full path).
  void LinkPut(const std::wstring& Path);

  // Writes the record atomically: the earlier record's entries and links and this run's, each only while
  // it is there. Nothing is written when there is nothing to list and there was no record. Throws
  // EProgramError when it cannot be written.
  void Save();
  // What the entries written by the last Save weigh, in KiB rounded up.
  unsigned long SizeKiB() const { return FSizeKiB; }
  // The record as the last Save made it (also when there was nothing to write).
  const std::string& Text() const { return FText; }

  // The recorder of the installation that runs; nullptr when none does.
  static TInstallRecorder* Active();

 private:
  bool Relative(const std::wstring& Path, std::wstring& Result) const;
  void Add(const std::wstring& RelativePath, bool Folder);

  std::wstring FTarget;
  std::vector<TRecordEntry> FEntries;
  std::vector<std::wstring> FTrees;
  std::vector<std::wstring> FLinks;
  std::map<std::wstring, std::wstring> FDigests;  // by folded relative path
  unsigned long FSizeKiB = 0;
  std::string FText;
  TInstalledFilesListener* FPreviousListener;
  TInstallRecorder* FPreviousActive;
};

// Reports, when it ends, the files in Target that are new or were written to since it began (a program
// the installation starts, such as a release level's script, puts them there). "DTAfb\", "Settings\" and
// links are not looked into.
class TTargetChanges {
 public:
  explicit TTargetChanges(const std::wstring& Target);
  ~TTargetChanges();
  TTargetChanges(const TTargetChanges&) = delete;
  TTargetChanges& operator=(const TTargetChanges&) = delete;

  struct TStamp {
    unsigned long long Size = 0;
    long long Written = 0, Changed = 0;
    bool operator==(const TStamp& Other) const {
      return Size == Other.Size && Written == Other.Written && Changed == Other.Changed;
    }
  };

 private:
  std::wstring FTarget;
  std::map<std::wstring, TStamp> FBefore;
};

enum TRecordRead {
  rrRead,        // Record holds the entries, Problems the lines left out
  rrMissing,     // no record file
  rrUnreadable,  // a file that cannot be read, or is not a record
};
TRecordRead ReadInstallRecord(const std::wstring& Target, TInstallRecordText& Record);
// The same from a record kept elsewhere (the machine-wide uninstaller's copy): File is its full path.
TRecordRead ReadInstallRecordFile(const std::wstring& File, TInstallRecordText& Record);
