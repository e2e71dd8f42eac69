#include "SettingsFiles.h"

#include <windows.h>

#include <cstring>

#include "FileOps.h"
#include "IniFile.h"
#include "PowerCut.h"

namespace {

constexpr size_t LastNumRecordSize = 14;

// The local date and time as days since 30 December 1899, the time of day as the fraction.
double LocalDateTime() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  // The local time read as if it were a file time: 100 ns ticks since 1 January 1601, milliseconds kept.
  FILETIME ticks;
  SystemTimeToFileTime(&local, &ticks);
  ULARGE_INTEGER count;
  count.LowPart = ticks.dwLowDateTime;
  count.HighPart = ticks.dwHighDateTime;
  constexpr double TicksPerDay = 864000000000.0;
  constexpr double DaysFrom1601To1899 = 109205.0;
  return static_cast<double>(count.QuadPart) / TicksPerDay - DaysFrom1601To1899;
}

std::string LastNumRecord(double DateTime) {
  static_assert(sizeof(double) == 8, "the record holds an IEEE-754 double");
  // A 16-bit 0 and the last number 0, then the date; x86 is little-endian, as the record is.
  char record[LastNumRecordSize] = {};
  std::memcpy(record + 6, &DateTime, sizeof(DateTime));
  return std::string(record, sizeof(record));
}

}  // namespace

void WriteInstallKeys(const std::wstring& Target) {
  TIniFile file(Target + L"Settings\\rarovu.ini");
  file.WriteInteger(L"options", L"FilterType", 0);
  file.WriteInteger(L"options", L"HardwareType", 1);
  PowerCutPoint("settings.before");
  file.UpdateFile();
  PowerCutPoint("settings.after");
}

void WriteLastNumberFile(const std::wstring& Target) {
  try {
    const std::wstring folder = Target + L"Settings\\";
    if (!DirectoryExists(folder)) return;
    // Written aside and moved in without replacing: a power cut leaves no file rather than a short one
    // that every later installation would keep, and an existing file is never touched.
    PowerCutPoint("settings.before");
    CreateFileAtomically(folder + L"lastnum.dta", LastNumRecord(LocalDateTime()));
    PowerCutPoint("settings.after");
  } catch (...) {
    // The installation goes on without it: the suite's programs start numbering afresh.
  }
}

void WriteSiblingSettings(const std::wstring& Target) {
  TIniFile file(Target + L"btooth.ini");
  file.WriteString(L"Common", L"Disk", L"I");
  PowerCutPoint("settings.before");
  file.UpdateFile();
  PowerCutPoint("settings.after");
}
