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
  const int answer = MessageBoxW(Owner, Text.c_str(), Caption.c_str(), Flags);
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
