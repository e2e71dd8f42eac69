#include "Prompts.h"
#include "SystemLibraries.h"

#include <shlobj.h>

namespace {

TPrompts SystemPrompts;
TPrompts* CurrentPrompts = &SystemPrompts;

// Esc answers No in a Yes/No box, which has no Cancel for the dialog manager to press.
LRESULT CALLBACK EscapeAnswersNo(int Code, WPARAM WParam, LPARAM LParam) {
  const MSG* msg = reinterpret_cast<const MSG*>(LParam);
  if (Code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
    HWND box = GetAncestor(msg->hwnd, GA_ROOT);
    HWND no = GetDlgItem(box, IDNO);
    if (no && !GetDlgItem(box, IDCANCEL)) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(no));
      return 1;
    }
  }
  return CallNextHookEx(nullptr, Code, WParam, LParam);
}

// The box's retry button says what it does: the system's own word for it ("Повтор") reads as a noun.
LRESULT CALLBACK NameRetryButtons(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(WParam);
    wchar_t className[16] = {};
    GetClassNameW(box, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && GetDlgItem(box, IDRETRY)) {
      SetDlgItemTextW(box, IDRETRY, L"Повторить");
      SetDlgItemTextW(box, IDCANCEL, L"Отмена");
    }
  }
  return CallNextHookEx(nullptr, Code, WParam, LParam);
}

}  // namespace

TPrompts* SetPrompts(TPrompts* Replacement) {
  TPrompts* previous = CurrentPrompts;
  CurrentPrompts = Replacement ? Replacement : &SystemPrompts;
  return previous;
}

TPrompts& Prompts() { return *CurrentPrompts; }

int TPrompts::Box(HWND Owner, const std::wstring& Text, const std::wstring& Caption, UINT Flags) {
  if (!Owner) Flags |= MB_TASKMODAL;
  HHOOK hook = (Flags & MB_TYPEMASK) == MB_YESNO
                   ? SetWindowsHookExW(WH_MSGFILTER, EscapeAnswersNo, nullptr, GetCurrentThreadId())
                   : nullptr;
  HHOOK names = (Flags & MB_TYPEMASK) == MB_RETRYCANCEL
                    ? SetWindowsHookExW(WH_CBT, NameRetryButtons, nullptr, GetCurrentThreadId())
                    : nullptr;
  const int answer = MessageBoxW(Owner, Text.c_str(), Caption.c_str(), Flags);
  if (names) UnhookWindowsHookEx(names);
  if (hook) UnhookWindowsHookEx(hook);
  return answer;
}

bool TPrompts::BrowseForFolder(HWND Owner, const std::wstring& Instruction, UINT Flags, std::wstring& Path) {
  BROWSEINFOW info{};
  info.hwndOwner = Owner;
  info.lpszTitle = Instruction.c_str();
  info.ulFlags = Flags;
  PIDLIST_ABSOLUTE item = LateBound::SHBrowseForFolderW(&info);
  if (!item) return false;
  wchar_t path[MAX_PATH] = {};
  const bool ok = LateBound::SHGetPathFromIDListW(item, path) != FALSE;
  LateBound::CoTaskMemFree(item);
  if (ok) Path = path;
  return ok;
}
