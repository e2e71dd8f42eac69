#include "Dialogs.h"

#include <shlobj.h>

#include "Forms.h"

const wchar_t* const MsgDlgCaptionWarning = L"Предупреждение";
const wchar_t* const MsgDlgCaptionError = L"Ошибка";
const wchar_t* const MsgDlgCaptionInformation = L"Информация";
const wchar_t* const MsgDlgCaptionConfirmation = L"Подтверждение";

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
  // The browser is owned by the hidden-sized application window, so the forms are disabled by hand.
  const std::vector<HWND> disabled = Application.DisableTaskWindows(nullptr);
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  TApplication::EnableTaskWindows(disabled);
  if (!item) return false;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(item, path) != FALSE;
  CoTaskMemFree(item);
  if (ok) Path = path;
  return ok;
}

int MessageDlg(const std::wstring& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
  UINT flags = 0;
  const wchar_t* caption = MsgDlgCaptionInformation;
  switch (Type) {
    case mtWarning: flags = MB_ICONWARNING; caption = MsgDlgCaptionWarning; break;
    case mtError: flags = MB_ICONERROR; caption = MsgDlgCaptionError; break;
    case mtInformation: flags = MB_ICONINFORMATION; caption = MsgDlgCaptionInformation; break;
    case mtConfirmation: flags = MB_ICONQUESTION; caption = MsgDlgCaptionConfirmation; break;
  }
  switch (Buttons) {
    case mbOK: flags |= MB_OK; break;
    case mbOKCancel: flags |= MB_OKCANCEL; break;
    case mbYesNo: flags |= MB_YESNO; break;
  }
  return Prompts().Box(Application.DialogOwner(), Text, caption, flags);
}

bool SelectFolder(const std::wstring& Instruction, UINT Flags, std::wstring& Path) {
  return Prompts().BrowseForFolder(Application.Handle(), Instruction, Flags, Path);
}
