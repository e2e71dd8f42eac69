#include "InstallTestFiles.h"

#include <stdexcept>

bool TestFileExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Ansi(const std::wstring& Text) {
  const int size =
      WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::string ReadFileBytes(const std::wstring& Path) {
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a test file");
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

FILETIME LastWriteTime(const std::wstring& Path) {
  FILETIME time{};
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return time;
  GetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return time;
}

void SetLastWriteTime(const std::wstring& Path, const FILETIME& Time) {
  HANDLE file = CreateFileW(Path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a test file for its time");
  SetFileTime(file, nullptr, nullptr, &Time);
  CloseHandle(file);
}

THeldOpen::THeldOpen(const std::wstring& Path)
    : FHandle(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

THeldOpen::~THeldOpen() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}
