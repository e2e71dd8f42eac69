#pragma once
#include <gtest/gtest.h>

#include <string>

#include "NumberFormat.h"
#include "RH_Common_Var.h"

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

// A test that gives the program folders of its own and puts the shared globals back afterwards.
class TProgramFolderTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  std::wstring SavedProgramPath = ProgramPath;
  TSettings SavedSettings = Settings;
  int Programs = 0;

  void TearDown() override {
    ProgramPath = SavedProgramPath;
    Settings = SavedSettings;
    SetNumberFormat(L'.', L' ');
  }
  // A program folder of its own for each call, so no read can see an earlier file.
  std::wstring NewProgramFolder() {
    const std::wstring folder = Temp.Path() + L"Программа " + std::to_wstring(++Programs) + L"\\";
    CreateFolder(folder);
    return folder;
  }
  std::wstring ProgramWithSettings(const std::string& Bytes) {
    const std::wstring folder = NewProgramFolder();
    CreateFolder(folder + L"Settings");
    WriteFileBytes(folder + L"Settings\\rarovu.ini", Bytes);
    return folder;
  }
};
