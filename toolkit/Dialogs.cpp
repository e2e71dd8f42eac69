#include "Dialogs.h"
#include "SystemLibraries.h"

#include <ole2.h>

#include "Forms.h"

const wchar_t* const MsgDlgCaptionWarning = L"Предупреждение";
const wchar_t* const MsgDlgCaptionError = L"Ошибка";
const wchar_t* const MsgDlgCaptionInformation = L"Информация";
const wchar_t* const MsgDlgCaptionConfirmation = L"Подтверждение";

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
    case mbRetryCancel: flags |= MB_RETRYCANCEL; break;
  }
  return Prompts().Box(Application.DialogOwner(), Text, caption, flags);
}

bool SelectFolder(const std::wstring& Instruction, UINT Flags, std::wstring& Path) {
  // The browser's new style needs OLE on this thread; taken when first needed, not at the start, and
  // kept for the program's life.
  static const HRESULT ole = LateBound::OleInitialize(nullptr);
  (void)ole;
  // The browser is owned by the hidden-sized application window, so the forms are disabled by hand.
  HWND active = GetActiveWindow();
  const std::vector<HWND> disabled = Application.DisableTaskWindows(nullptr);
  const bool chosen = Prompts().BrowseForFolder(Application.Handle(), Instruction, Flags, Path);
  TApplication::EnableTaskWindows(disabled);
  // The system activates the browser's owner, the application window: the keyboard goes back to the form.
  if (active && IsWindow(active)) SetActiveWindow(active);
  return chosen;
}
