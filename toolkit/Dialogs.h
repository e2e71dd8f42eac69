#pragma once
#include <windows.h>

#include <string>

// The standard message dialogs: Windows message boxes with the icon, default caption and buttons of
// their type, owned by the program's active form.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgButtons { mbOK, mbOKCancel, mbYesNo };

// Default captions of the dialog types.
extern const wchar_t* const MsgDlgCaptionWarning;       // "Предупреждение"
extern const wchar_t* const MsgDlgCaptionError;         // "Ошибка"
extern const wchar_t* const MsgDlgCaptionInformation;   // "Информация"
extern const wchar_t* const MsgDlgCaptionConfirmation;  // "Подтверждение"

// Shows the dialog and returns the button pressed: mrOk, mrCancel, mrYes or mrNo (IDOK...).
int MessageDlg(const std::wstring& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);

// The shell's modal folder browser, owned by the application window, rooted at the whole shell
// namespace, with nothing preselected. Flags are BIF_* flags. On OK Path becomes the chosen
// folder's path and the result is true; on cancel Path is left alone.
bool SelectFolder(const std::wstring& Instruction, UINT Flags, std::wstring& Path);

// The seam every modal box of the program goes through. The base class shows the real boxes; a test
// installs a subclass that records the boxes and answers them from a script.
class TPrompts {
 public:
  virtual ~TPrompts() = default;
  // A message box (MessageBoxW): Flags are MB_* flags; returns the IDOK... of the button.
  virtual int Box(HWND Owner, const std::wstring& Text, const std::wstring& Caption, UINT Flags);
  // The folder browser (SHBrowseForFolderW); true with Path set when a folder was confirmed.
  virtual bool BrowseForFolder(HWND Owner, const std::wstring& Instruction, UINT Flags, std::wstring& Path);
};

// Installs a replacement (nullptr restores the real boxes) and returns the previous one.
TPrompts* SetPrompts(TPrompts* Replacement);
TPrompts& Prompts();
