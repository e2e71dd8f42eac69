#include "RH_Common_Var.h"

#include <vector>

#include "RH_Common_Proc.h"

std::wstring ProgramPath;
TSettings Settings;
std::wstring LanguageCode;
std::wstring LanguageFile;
std::wstring ViveInPath;
std::wstring ViveOutPath;
int DefaultWidth = 0;
int DefaultHeight = 0;
HMODULE ResourceModule = nullptr;
int SuiteNumber = 0;
std::array<bool, 6> SuiteSwitches{};

void InitialiseCommonVar(const std::wstring& ProgramFolder) {
  ProgramPath = ProgramFolder;
  if (!ProgramPath.empty() && ProgramPath.back() != L'\\') ProgramPath += L'\\';
  ReadSettings();
  LanguageFile.clear();
  SuiteNumber = 1;
  DefaultWidth = 640;
  DefaultHeight = 480;
  LanguageCode = L"RUS";
  SuiteSwitches[0] = SuiteSwitches[1] = SuiteSwitches[2] = false;
  // Only the settings file decides, and only this exact spelling: no system locale is consulted.
  if (Settings.LanguageSetting == L"ENG") {
    LanguageFile = ProgramPath + L"Settings\\" + L"EngView.lng";
    LanguageCode = L"ENG";
  }
  SuiteSwitches[3] = true;
  SuiteSwitches[4] = SuiteSwitches[5] = false;
  ViveInPath = ProgramPath + L"ViveIn\\";
  ViveOutPath = ProgramPath + L"ViveOut\\";
}
