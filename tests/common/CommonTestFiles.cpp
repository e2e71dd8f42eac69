#include "CommonTestFiles.h"

#include <windows.h>

#include <stdexcept>

TTempFolder::TTempFolder() {
  static unsigned counter = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  // Cyrillic letters and a blank: every path the tests use must survive both.
  FPath = std::wstring(temp) + L"Проверка установки " + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++counter) + L"\\";
  CreateFolder(FPath);
}

TTempFolder::~TTempFolder() { RemoveFolderTree(FPath); }

void WriteFileBytes(const std::wstring& FileName, const std::string& Bytes) {
  HANDLE file = CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a test file");
  DWORD written = 0;
  const BOOL ok = WriteFile(file, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != Bytes.size()) throw std::runtime_error("cannot write a test file");
}

void WriteUtf16File(const std::wstring& FileName, const std::wstring& Text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : Text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  WriteFileBytes(FileName, bytes);
}

void CreateFolder(const std::wstring& Folder) {
  if (!CreateDirectoryW(Folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw std::runtime_error("cannot create a test folder");
  }
}

void RemoveFolderTree(const std::wstring& Folder) {
  std::wstring base = Folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(base + name);
      } else {
        SetFileAttributesW((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW((base + name).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(base.c_str());
}
