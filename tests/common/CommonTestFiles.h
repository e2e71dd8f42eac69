#pragma once
#include <string>

// A fresh folder under the temporary folder, removed with its content at the end of the test.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  // With a trailing backslash.
  const std::wstring& Path() const { return FPath; }

 private:
  std::wstring FPath;
};

// Writes the bytes as they are: ANSI files are given as cp1251 bytes ("\xCD\xEE...").
void WriteFileBytes(const std::wstring& FileName, const std::string& Bytes);
// Writes UTF-16LE with a byte-order mark, as Notepad's "Unicode" does.
void WriteUtf16File(const std::wstring& FileName, const std::wstring& Text);
void CreateFolder(const std::wstring& Folder);
// Removes a folder with everything below it; a missing folder is fine.
void RemoveFolderTree(const std::wstring& Folder);
