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

std::wstring ProgramFolderOf(const std::wstring& FileName) {
  const size_t lastSeparator = FileName.find_last_of(L'\\');
  if (lastSeparator == std::wstring::npos) return std::wstring();
  return FileName.substr(0, lastSeparator + 1);
}

std::wstring ExecutableFolder() {
  // A program deep in a long path needs more than MAX_PATH characters; grow until the name fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return ProgramFolderOf(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

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
