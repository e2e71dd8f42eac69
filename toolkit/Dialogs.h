#pragma once
#include <windows.h>

#include <string>

#include "Prompts.h"

// The standard message dialogs: Windows message boxes with the icon, default caption and buttons of
// their type, owned by the program's active form.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
// mbRetryCancel: "Повторить" and "Отмена", whatever the system calls its retry button.
enum TMsgDlgButtons { mbOK, mbOKCancel, mbYesNo, mbRetryCancel };

// Default captions of the dialog types.
extern const wchar_t* const MsgDlgCaptionWarning;       // "Предупреждение"
extern const wchar_t* const MsgDlgCaptionError;         // "Ошибка"
extern const wchar_t* const MsgDlgCaptionInformation;   // "Информация"
extern const wchar_t* const MsgDlgCaptionConfirmation;  // "Подтверждение"

// Shows the dialog and returns the button pressed: IDOK, IDCANCEL, IDYES, IDNO or IDRETRY.
int MessageDlg(const std::wstring& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);

// The shell's modal folder browser, owned by the application window, rooted at the whole shell
// namespace, with nothing preselected. Flags are BIF_* flags. On OK Path becomes the chosen
// folder's path and the result is true; on cancel Path is left alone.
bool SelectFolder(const std::wstring& Instruction, UINT Flags, std::wstring& Path);
