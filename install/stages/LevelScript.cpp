#include "LevelScript.h"

#include <windows.h>

#include <optional>

#include "FileOps.h"
#include "InstallRecord.h"
#include "ProcessRunner.h"
#include "ServedReads.h"
#include "TrustedProgram.h"

namespace {

// Makes a folder the current one for its lifetime and puts the previous one back on every way out.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const std::wstring& Folder) : FSaved(Current()) { SetCurrentDirectoryW(Folder.c_str()); }
  ~TCurrentFolder() {
    if (!FSaved.empty()) SetCurrentDirectoryW(FSaved.c_str());
  }
  TCurrentFolder(const TCurrentFolder&) = delete;
  TCurrentFolder& operator=(const TCurrentFolder&) = delete;

 private:
  static std::wstring Current() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::wstring();
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return folder;
  }
  std::wstring FSaved;
};

}  // namespace

void RunLevelScript(TInstallContext& Context, const TInstallPlan& Plan, const std::wstring& Level) {
  const std::wstring levelName = Level.substr(Level.find_last_of(L'\\') + 1);
  const std::wstring script = Level + L"\\Install.cmd";
  // The level may be newer than the distribution's (an updater brought it) or a user's: with administrator
  // rights only the script this installation copied runs, held unchanged until it has ended. A missing
  // script fails to start as before.
  std::optional<TTrustedProgram> trusted;
  if (RunsWithAdministratorRights() && FileExists(script))
    trusted.emplace(script, Plan.Source + L"backup\\" + levelName + L"\\Install.cmd");
  if (trusted && !trusted->Refusal().empty()) {
    Context.AddLine(L"Сценарий уровня выпуска \"" + script + L"\" не запущен с правами администратора: " +
                    trusted->Refusal());
    return;
  }
  DWORD scriptCode = 0;
  {
    const TCurrentFolder inLevel(Level + L"\\");
    // The target is walked before and after the script: on a share that takes a while.
    const TServedReads served(&Context);
    const TTargetChanges scriptAdds(Plan.Target);  // what the script puts into the target is the installation's
    scriptCode = ExecAndWait(script, L"", SW_HIDE, Context.OwnerWindow(), &Context);
  }
  // The script's own failures do not end the installation; the log tells of them.
  if (scriptCode != 0)
    Context.AddLine(L"Сценарий уровня выпуска \"" + script + L"\" завершился с кодом " + std::to_wstring(scriptCode));
}
