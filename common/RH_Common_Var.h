#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "Paths.h"
#include "RH_Common_Types.h"

// The process-wide state every program of the suite shares, read directly by its users.

// The folder of the program's executable file, with a trailing backslash.
extern std::wstring ProgramPath;
extern TSettings Settings;
// "RUS", or "ENG" when the settings ask for English.
extern std::wstring LanguageCode;
// Empty for Russian; ProgramPath + "Settings\EngView.lng" for English.
extern std::wstring LanguageFile;
// Exchange folders: named here only, nothing in the setup program touches them.
extern std::wstring ViveInPath;
extern std::wstring ViveOutPath;
extern int DefaultWidth;
extern int DefaultHeight;
// The module the suite's programs load images from; none stands for the program's own executable.
extern HMODULE ResourceModule;
// Kept for the suite's programs; the setup program reads none of them.
extern int SuiteNumber;
extern std::array<bool, 6> SuiteSwitches;

// The initialisation of the global environment for a program lying in ProgramFolder: the program
// folder, the settings (which also fix the number format), the language, the exchange folders.
// InitialiseCommonUnits passes ProgramFolder(); tests pass a folder of their own.
void InitialiseCommonVar(const std::wstring& ProgramFolder);
