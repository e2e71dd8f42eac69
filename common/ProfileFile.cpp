#include "ProfileFile.h"

#include <windows.h>

#include "NumberFormat.h"

TProfileFile::TProfileFile(std::wstring FileName) : FFileName(std::move(FileName)) {}

std::wstring TProfileFile::ReadString(const std::wstring& Section, const std::wstring& Key,
                                      const std::wstring& Default) const {
  // The system would look for a name without a folder in the Windows folder; no name means no file.
  if (FFileName.empty()) return Default.substr(0, MaxValueLength);
  wchar_t buffer[MaxValueLength + 1] = {};
  const DWORD length = GetPrivateProfileStringW(Section.c_str(), Key.c_str(), Default.c_str(), buffer,
                                                MaxValueLength + 1, FFileName.c_str());
  return std::wstring(buffer, length);
}

std::int32_t TProfileFile::ReadInteger(const std::wstring& Section, const std::wstring& Key,
                                       std::int32_t Default) const {
  std::int32_t value = 0;
  return TryStrToInt(ReadString(Section, Key, std::wstring()), value) ? value : Default;
}

bool TProfileFile::ReadBool(const std::wstring& Section, const std::wstring& Key, bool Default) const {
  std::int32_t value = 0;
  return TryStrToInt(ReadString(Section, Key, std::wstring()), value) ? value != 0 : Default;
}

double TProfileFile::ReadFloat(const std::wstring& Section, const std::wstring& Key, double Default) const {
  double value = 0;
  return TryStrToFloat(ReadString(Section, Key, std::wstring()), value) ? value : Default;
}
