#include "TestTree.h"

#include <windows.h>

#include <stdexcept>

namespace testsupport {

bool ReadWholeFile(const std::wstring& Path, std::string& Bytes) {
  Bytes.clear();
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) Bytes.append(buffer, got);
  CloseHandle(file);
  return true;
}

namespace {
void ReadBelow(const std::wstring& Folder, const std::wstring& Relative, FileTree& Tree) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Folder + Relative + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Tree[Relative + name + L"\\"] = "";
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ReadBelow(Folder, Relative + name + L"\\", Tree);
    } else if (!ReadWholeFile(Folder + Relative + name, Tree[Relative + name])) {
      FindClose(search);
      throw std::runtime_error("cannot read a file of the tree being read");
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}
}  // namespace

FileTree ReadTree(const std::wstring& Folder) {
  FileTree tree;
  ReadBelow(Folder, L"", tree);
  return tree;
}

}  // namespace testsupport
