#pragma once
// Shell links (".lnk" files).
#include <windows.h>

#include <string>

#include "InstallContext.h"
#include "InstallPlan.h"

// Where AddShortcut puts a link.
enum : BYTE { slDesktop = 0, slQuickLaunch = 1, slSendTo = 2, slStartMenu = 3, slFolder = 4 };

// Writes a link to FileName; returns the link file's path, or an empty text when no folder was found.
// SaveResult, when given, receives the outcome of saving the file (S_OK when it was written). Throws
// EProgramError only when the shell link object cannot be created.
std::wstring AddShortcut(const std::wstring& FileName, BYTE Location, const std::wstring& SubFolder,
                         const std::wstring& WorkingDir, const std::wstring& Arguments,
                         const std::wstring& Description, const std::wstring& LinkName,
                         HRESULT* SaveResult = nullptr);

// The desktop link to the suite's main program in the target folder. A link that could not be saved, or
// a profile without a desktop folder, is a notice line; the installation goes on.
void CreateDesktopShortcut(TInstallContext& Context, const TInstallPlan& Plan);

// Where CreateDesktopShortcut puts the link of the product ProductName; empty when there is no desktop.
std::wstring DesktopShortcutPath(const std::wstring& ProductName);
// The file a link points at, as the link holds it; empty when LinkFile cannot be read as a link.
std::wstring ShortcutTarget(const std::wstring& LinkFile);
