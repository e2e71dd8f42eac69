#include "ShutdownBlock.h"

const wchar_t* const InstallationShutdownReason =
    L"Идёт установка комплекса \"Ритмон-Vidoze\". Дождитесь её окончания, иначе установку придётся повторить.";
const wchar_t* const UninstallShutdownReason =
    L"Идёт удаление комплекса \"Ритмон-Vidoze\". Дождитесь его окончания, иначе удаление придётся повторить.";

namespace {

using TReasonCreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
using TReasonDestroyFn = BOOL(WINAPI*)(HWND);

FARPROC User32Function(const char* Name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? GetProcAddress(user32, Name) : nullptr;
}

}  // namespace

TShutdownBlock::TShutdownBlock(HWND Window, const std::wstring& Reason) : FWindow(Window) {
  const auto create =
      reinterpret_cast<TReasonCreateFn>(reinterpret_cast<void*>(User32Function("ShutdownBlockReasonCreate")));
  FRegistered = create && FWindow && create(FWindow, Reason.c_str());
}

TShutdownBlock::~TShutdownBlock() {
  if (!FRegistered) return;
  const auto destroy =
      reinterpret_cast<TReasonDestroyFn>(reinterpret_cast<void*>(User32Function("ShutdownBlockReasonDestroy")));
  if (destroy && IsWindow(FWindow)) destroy(FWindow);
}
