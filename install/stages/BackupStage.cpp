#include "BackupStage.h"

#include "BackupTrees.h"
#include "LevelScript.h"
#include "NewestReleaseLevel.h"
#include "ReleaseInfo.h"

void DeployBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan) {
  CopyBackupAndUpdater(Context, Plan);
  const std::wstring level = NewestReleaseLevel(Plan.Target + L"backup\\");
  RunLevelScript(Context, Plan, level);
  // The level's folder name is a letter before its DDMMYY date; the file records the date.
  const std::wstring levelName = level.substr(level.find_last_of(L'\\') + 1);
  UpdateReleaseInfo(Plan.Target, levelName.substr(1));
}
