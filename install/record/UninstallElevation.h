#pragma once
// A machine-wide installation (its entry in HKLM) is removed only with administrator rights: Programs and
// Features starts the uninstaller with the user's rights, and without them the uninstall would delete
// the program files and then fail at the entry, leaving half a removal that every new attempt repeats.
// So the rights are asked for before anything is removed.
#include <windows.h>

#include <string>

#include "MessagePump.h"

// True when Target's entry EntryName is in HKLM and this process lacks administrator rights.
bool UninstallNeedsAdministrator(const std::wstring& EntryName, const std::wstring& Target);

// The log line of a run without an operator that lacks the rights: no one could answer a prompt.
std::wstring NoAdministratorRightsText(const std::wstring& Target);

// Starts Program with Parameters again through the shell's "runas", which asks for the administrator's
// consent over Owner (none: no owner), and waits for it, serving Pump. Returns its exit code; ecCancelled
// (2) when the consent was refused; -1 when it could not be started or waited for (Error says why).
int RunAsAdministrator(const std::wstring& Program, const std::wstring& Parameters, HWND Owner, TMessagePump* Pump,
                       std::wstring& Error);
