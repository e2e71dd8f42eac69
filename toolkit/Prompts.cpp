#include "Prompts.h"
#include "SystemLibraries.h"

#include <shlobj.h>

namespace {

TPrompts SystemPrompts;
TPrompts* CurrentPrompts = &SystemPrompts;

}  // namespace

TPrompts* SetPrompts(TPrompts* Replacement) {
  TPrompts* previous = CurrentPrompts;
  CurrentPrompts = Replacement ? Replacement : &SystemPrompts;
  return previous;
}

TPrompts& Prompts() { return *CurrentPrompts; }

int TPrompts::Box(HWND Owner, const std::wstring& Text, const std::wstring& Caption, UINT Flags) {
  if (!Owner) Flags |= MB_TASKMODAL;
  return MessageBoxW(Owner, Text.c_str(), Caption.c_str(), Flags);
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
