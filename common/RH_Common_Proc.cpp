#include "RH_Common_Proc.h"

#include <cstdint>

#include "NumberFormat.h"
#include "ProfileFile.h"
#include "RH_Common_Const.h"
#include "RH_Common_Var.h"

namespace {

int SystemScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi;
}

BOOL SystemExitWindows(UINT Flags, DWORD Reason) { return ExitWindowsEx(Flags, Reason); }

UINT SystemWindowsDirectory(LPWSTR Buffer, UINT Size) { return GetWindowsDirectoryW(Buffer, Size); }

SystemQueries::ScreenDpiFn ScreenDpi = SystemScreenDpi;
SystemQueries::ExitWindowsFn ExitWindowsCall = SystemExitWindows;
SystemQueries::WindowsDirectoryFn WindowsDirectory = SystemWindowsDirectory;

template <typename Fn>
Fn Replace(Fn& Slot, Fn NewFn, Fn SystemFn) {
  Fn previous = Slot;
  Slot = NewFn ? NewFn : SystemFn;
  return previous;
}

bool IsNtPlatform() {
  // GetVersionEx is deprecated for version checks, but the platform id it gives is what is asked here.
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
  return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    // The outcome is not tested: a refused privilege shows in ExitWindowsEx's answer.
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &previousLength);
  }
  CloseHandle(token);
}

}  // namespace

bool IsSmallFonts() { return ScreenDpi() < 100; }

int ScreenLogPixels() { return ScreenDpi(); }

std::wstring LoadResString(HINSTANCE Module, int Id) {
  if (Id < 0) return std::wstring();
  wchar_t buffer[256] = {};
  // 255 offered: the system cuts a longer text to 254 characters and the terminating zero.
  LoadStringW(Module, static_cast<UINT>(Id), buffer, 255);
  return std::wstring(buffer);
}

std::wstring GetWindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = WindowsDirectory(buffer, MAX_PATH);
  // A result of the buffer's size or more is the size needed, and the buffer holds nothing usable.
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(buffer, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool RestartWindows(UINT Flags) {
  if (IsNtPlatform()) EnableShutdownPrivilege();
  return ExitWindowsCall(Flags, 0) != FALSE;
}

namespace SystemQueries {
ScreenDpiFn SetScreenDpiQuery(ScreenDpiFn Fn) { return Replace(ScreenDpi, Fn, &SystemScreenDpi); }
ExitWindowsFn SetExitWindows(ExitWindowsFn Fn) { return Replace(ExitWindowsCall, Fn, &SystemExitWindows); }
WindowsDirectoryFn SetWindowsDirectoryQuery(WindowsDirectoryFn Fn) {
  return Replace(WindowsDirectory, Fn, &SystemWindowsDirectory);
}
}  // namespace SystemQueries

std::wstring Text_Sbo = L"СБОЙ";
std::wstring Text_Met = L"МЕТКА";
std::wstring Text_nnn = L"н";
std::wstring Text_sss = L"с";

namespace {

const wchar_t OptionsSection[] = L"options";

// A byte field cannot hold a value outside 0..255: such a value keeps the default instead of a
// wrapped number, and the start goes on.
std::uint8_t ReadByte(const TProfileFile& File, const wchar_t* Key, std::uint8_t Default) {
  const std::int32_t value = File.ReadInteger(OptionsSection, Key, Default);
  return value >= 0 && value <= 255 ? static_cast<std::uint8_t>(value) : Default;
}

bool ReadBool(const TProfileFile& File, const wchar_t* Key, bool Default) {
  return File.ReadBool(OptionsSection, Key, Default);
}

struct TLocalisedRow {
  const wchar_t* Section;
  const wchar_t* Key;
  std::wstring* Row;
};

}  // namespace

void ReadSettings() {
  SetNumberFormat(L'.', L' ');
  // Without a program folder the name would be relative, and the system would look in the Windows folder.
  const TProfileFile file(ProgramPath.empty() ? std::wstring() : ProgramPath + L"Settings\\" + L"rarovu.ini");
  TSettings& s = Settings;
  s.forMVD = false;
  s.forGE = ReadBool(file, L"forGE", false);
  s.Person = 0;
  s.FilterType = ReadByte(file, L"FilterType", 0);
  s.DefaultRegType = static_cast<Tregtype>(ReadByte(file, L"DefaultRegType", RegType_LRHECG));
  s.doformshow = ReadBool(file, L"doformshow", true);
  s.DebugPrint = ReadBool(file, L"DebugPrint", false);
  s.DebugMy = ReadBool(file, L"DebugMy", false);
  s.PoverkaView = ReadBool(file, L"PoverkaView", false);
  s.HviewDebug = ReadBool(file, L"HviewDebug", false);
  s.ECGAtRestWork = ReadBool(file, L"ECGAtRestWork", false);
  s.OnlyDecode = ReadBool(file, L"onlydecode", false);
  s.SaveSwap = ReadBool(file, L"saveswap", false);
  s.ChannelGain = file.ReadFloat(OptionsSection, L"Channel1Gain", 1.0);
  s.ChannelGain12 = file.ReadFloat(OptionsSection, L"Channel2Gain", 1.0);
  s.GroupProcess = ReadBool(file, L"GroupProcess", false);
  s.EnabledScrining = ReadBool(file, L"EnabledScrining", false);
  s.HardwareType = file.ReadInteger(OptionsSection, L"HardwareType", 1);
  s.LanguageSetting = file.ReadString(OptionsSection, L"LanguageSetting", std::wstring());
  s.New_Reg = ReadByte(file, L"new_reg", 0);
  s.NurseMode = ReadBool(file, L"NurseMode", true);
  s.DoctorMode = ReadBool(file, L"DoctorMode", true);
  s.EMIASTESTINGMODE = ReadBool(file, L"EMIASTESTINGMODE", false);
  s.EMIASEMULATINGMODE = ReadBool(file, L"EMIASEMULATINGMODE", false);
  s.RegEmulating = ReadBool(file, L"RegEmulating", false);
  s.AriadnaSearchTesting = ReadBool(file, L"AriadnaSearchTesting", false);
  s.UserIsMS = ReadBool(file, L"UserIsMS", false);
  s.PraktikaSearchTesting = ReadBool(file, L"PraktikaSearchTesting", false);
  s.PraktikaTesting = ReadBool(file, L"PraktikaTesting", false);
}

void LocaliseTables() {
  const wchar_t* const messages = L"RH_Messages";
  const wchar_t* const proc = L"RH_Common_Proc";
  // Diagnosis row 21 and conduction row 3 ("WPW") have no key: they stay Russian in every language.
  const TLocalisedRow rows[] = {
      {messages, L"Normo", &BodyTypeNames[0]},   {messages, L"Giper", &BodyTypeNames[1]},
      {messages, L"Asten", &BodyTypeNames[2]},

      {messages, L"Gip", &DiagnosisNames[0]},    {messages, L"NIP", &DiagnosisNames[1]},
      {messages, L"NMK", &DiagnosisNames[2]},    {messages, L"IBS", &DiagnosisNames[3]},
      {messages, L"Ste", &DiagnosisNames[4]},    {messages, L"PKa", &DiagnosisNames[5]},
      {messages, L"IPF", &DiagnosisNames[6]},    {messages, L"Rev", &DiagnosisNames[7]},
      {messages, L"NCD", &DiagnosisNames[8]},    {messages, L"HNZ", &DiagnosisNames[9]},
      {messages, L"BAs", &DiagnosisNames[10]},   {messages, L"IOF", &DiagnosisNames[11]},
      {messages, L"MSt", &DiagnosisNames[12]},   {messages, L"API", &DiagnosisNames[13]},
      {messages, L"DMP", &DiagnosisNames[14]},   {messages, L"DMPP", &DiagnosisNames[15]},
      {messages, L"OAP", &DiagnosisNames[16]},   {messages, L"SAo", &DiagnosisNames[17]},
      {messages, L"KAo", &DiagnosisNames[18]},   {messages, L"SLA", &DiagnosisNames[19]},
      {messages, L"IVR", &DiagnosisNames[20]},

      {messages, L"SGl", &DrugNames[0]},         {messages, L"Hin", &DrugNames[1]},
      {messages, L"Kor", &DrugNames[2]},         {messages, L"PAn", &DrugNames[3]},
      {messages, L"NPr", &DrugNames[4]},         {messages, L"ACA", &DrugNames[5]},
      {messages, L"BBl", &DrugNames[6]},         {messages, L"Ant", &DrugNames[7]},
      {messages, L"Diu", &DrugNames[8]},

      {messages, L"Norm", &ConductionNames[0]},  {messages, L"BLN", &ConductionNames[1]},
      {messages, L"BPN", &ConductionNames[2]},   {messages, L"nOp", &ConductionNames[4]},

      {proc, L"Sbo", &Text_Sbo},                 {proc, L"Met", &Text_Met},
      {proc, L"nnn", &Text_nnn},                 {proc, L"sss", &Text_sss},
  };
  const TProfileFile file(LanguageFile);
  // Each row's Russian text, which it still holds, is the default for a missing key.
  for (const TLocalisedRow& row : rows) *row.Row = file.ReadString(row.Section, row.Key, *row.Row);
}

void InitialiseCommonProc() { LocaliseTables(); }
