#include "BackupTrees.h"

#include "FileOps.h"

unsigned long long BackupAndUpdaterBytes(const TInstallPlan& Plan) {
  return FolderTreeBytes(Plan.Source + L"backup") + FolderTreeBytes(Plan.Source + L"Updater");
}

void CopyBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan) {
  const std::wstring& target = Plan.Target;
  if (!DirectoryExists(target + L"Backup\\")) CreateDir(target + L"backup\\");
  CopyFolderTree(Plan.Source + L"backup", target + L"backup", false, nullptr, &Context);
  // The updater's files belong in the target folder itself.
  std::wstring targetFolder = target;
  while (targetFolder.size() > 3 && targetFolder.back() == L'\\') targetFolder.pop_back();
  CopyFolderTree(Plan.Source + L"Updater", targetFolder, false, nullptr, &Context);
  // Copies keep the read-only bit of a medium; the updater rewrites both files.
  SetReadOnly(target + L"ReleaseInfo", false);
  SetReadOnly(target + L"Updater.exe.cfg", false);
}
