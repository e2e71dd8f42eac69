#pragma once
// The stand-in driver installer for the tests that start programs: planting copies of it and reading
// the records it leaves (its format is described in standins/FTDIDriverInstall.cpp).
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Error.h"
#include "InstallTestFiles.h"

struct TStandinRecord {
  std::wstring Program, CommandLine, CurrentFolder;
  int UseShowWindow = -1, ShowWindow = -1;
  long long FileSize = -1;
};

// The built stand-in, seen through Wine's Z: drive.
inline std::wstring StandinInstaller() {
  std::wstring path = L"Z:" + FromUtf8(STANDIN_DRIVER_INSTALLER_UNIX_PATH);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// A copy of the stand-in; Tail, appended after its image, makes a copy that its record tells apart.
inline void PlantInstaller(const std::wstring& Path, const std::string& Tail = std::string()) {
  if (!CopyFileW(StandinInstaller().c_str(), Path.c_str(), FALSE)) throw std::runtime_error("cannot plant the stand-in");
  if (!Tail.empty()) WriteFileBytes(Path, ReadFileBytes(Path) + Tail);
}

inline long long SizeOf(const std::wstring& Path) { return static_cast<long long>(ReadFileBytes(Path).size()); }

// Where a copy of the stand-in at Program records its runs.
inline std::wstring RecordOf(const std::wstring& Program) {
  return Program.substr(0, Program.find_last_of(L'\\') + 1) + L"FTDIDriverInstall.record";
}

// Every run recorded beside Program, oldest first; none when it never ran.
inline std::vector<TStandinRecord> RunsOf(const std::wstring& Program) {
  std::vector<TStandinRecord> runs;
  if (!TestFileExists(RecordOf(Program))) return runs;
  const std::wstring text = FromUtf8(ReadFileBytes(RecordOf(Program)));
  TStandinRecord record;
  bool any = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 2;
    if (line.empty()) {
      if (any) runs.push_back(record);
      record = TStandinRecord();
      any = false;
      continue;
    }
    const size_t equals = line.find(L'=');
    const std::wstring key = line.substr(0, equals), value = line.substr(equals + 1);
    any = true;
    if (key == L"Program") record.Program = value;
    else if (key == L"CommandLine") record.CommandLine = value;
    else if (key == L"CurrentFolder") record.CurrentFolder = value;
    else if (key == L"UseShowWindow") record.UseShowWindow = std::stoi(value);
    else if (key == L"ShowWindow") record.ShowWindow = std::stoi(value);
    else if (key == L"FileSize") record.FileSize = std::stoll(value);
  }
  if (any) runs.push_back(record);
  return runs;
}

// Sets an environment variable (the started programs inherit it) and puts the old value back.
class TScopedVariable {
 public:
  TScopedVariable(const std::wstring& Name, const std::wstring& Value) : FName(Name) {
    wchar_t old[256] = {};
    const DWORD length = GetEnvironmentVariableW(Name.c_str(), old, 256);
    FHad = length > 0 && length < 256;
    if (FHad) FOld = old;
    SetEnvironmentVariableW(Name.c_str(), Value.c_str());
  }
  ~TScopedVariable() { SetEnvironmentVariableW(FName.c_str(), FHad ? FOld.c_str() : nullptr); }
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;

 private:
  std::wstring FName, FOld;
  bool FHad = false;
};

inline std::wstring CurrentFolderNow() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return folder;
}
