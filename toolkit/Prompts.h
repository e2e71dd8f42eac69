#pragma once
#include <windows.h>

#include <string>

// The seam every modal box of the program goes through. The base class shows the real boxes; a test
// installs a subclass that records the boxes and answers them from a script.
class TPrompts {
 public:
  virtual ~TPrompts() = default;
  // A message box (MessageBoxW): Flags are MB_* flags; returns the IDOK... of the button.
  virtual int Box(HWND Owner, const std::wstring& Text, const std::wstring& Caption, UINT Flags);
  // The folder browser (SHBrowseForFolderW); true with Path set when a folder was confirmed. The caller
  // disables its windows: the browser's owner may be a window that is not one of them.
  virtual bool BrowseForFolder(HWND Owner, const std::wstring& Instruction, UINT Flags, std::wstring& Path);
};

// Installs a replacement (nullptr restores the real boxes) and returns the previous one.
TPrompts* SetPrompts(TPrompts* Replacement);
TPrompts& Prompts();
