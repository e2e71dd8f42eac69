#include "UninstallElevation.h"

#include <shellapi.h>

#include "CommandLine.h"
#include "ProcessRunner.h"
#include "Scoped.h"
#include "SystemError.h"
#include "SystemLibraries.h"
#include "TrustedProgram.h"
#include "UninstallEntry.h"

bool UninstallNeedsAdministrator(const std::wstring& EntryName, const std::wstring& Target) {
  return IsUninstallEntryOf(HKEY_LOCAL_MACHINE, EntryName, Target) && !RunsWithAdministratorRights();
}

std::wstring NoAdministratorRightsText(const std::wstring& Target) {
  return L"Удаление из папки \"" + Target +
         L"\" не начато: комплекс установлен для всех пользователей, и удалить его можно только с правами "
         L"администратора, а без окон их не запросить. Запустите удаление от имени администратора. Ничего не удалено.";
}

int RunAsAdministrator(const std::wstring& Program, const std::wstring& Parameters, HWND Owner, TMessagePump* Pump,
                       std::wstring& Error) {
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof(execute);
  // No error boxes of the shell's own: the failure is told as this program's.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  execute.hwnd = Owner;
  execute.lpVerb = L"runas";
  execute.lpFile = Program.c_str();
  execute.lpParameters = Parameters.empty() ? nullptr : Parameters.c_str();
  execute.nShow = SW_SHOWNORMAL;
  DWORD failure = 0;
  {
    const TComApartment apartment;
    if (!ProcessSeams::ShellExecuteInUse()(&execute)) failure = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
  }
  if (failure == ERROR_CANCELLED) return ecCancelled;
  if (failure == 0 && execute.hProcess == nullptr) failure = ERROR_INVALID_HANDLE;
  if (failure != 0) {
    Error = L"Не удалось запустить удаление с правами администратора: " + SystemErrorText(failure);
    return -1;
  }
  const TScopedHandle process(execute.hProcess);
  DWORD code = 0;
  if (WaitForProcess(process.Get(), Pump) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.Get(), &code)) {
    Error = L"Не удалось дождаться удаления с правами администратора: " + SystemErrorText(GetLastError());
    return -1;
  }
  return static_cast<int>(code);
}
