// The check before a target's program runs with administrator rights: byte for byte the distribution's,
// and held so that nobody changes or swaps it before it has run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstallTestFiles.h"
#include "Text.h"
#include "TrustedProgram.h"

namespace {

TEST(TrustedProgram, OnlyTheDistributionsBytesPass) {
  struct TCase {
    const char* Name;
    const char* Target;    // nullptr: no such file
    const char* Original;  // nullptr: no such file
    std::wstring Refusal;  // the start of the reason; empty: trusted
  };
  const std::wstring differs = L"он не совпадает с файлом дистрибутива \"";
  const std::vector<TCase> cases = {
      {"identical", "@echo off\r\necho level\r\n", "@echo off\r\necho level\r\n", L""},
      {"identical and empty", "", "", L""},
      {"one byte changed", "@echo off\r\necho LEVEL\r\n", "@echo off\r\necho level\r\n", differs},
      {"longer", "@echo off\r\necho level\r\ndel *.*\r\n", "@echo off\r\necho level\r\n", differs},
      {"shorter", "@echo off\r\n", "@echo off\r\necho level\r\n", differs},
      {"none in the distribution", "@echo off\r\n", nullptr, L"в дистрибутиве нет такого файла (\""},
      {"none in the target", nullptr, "@echo off\r\n", L"его не удалось проверить: "},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    const std::wstring target = temp.Path() + L"Папка установки Install.cmd";
    const std::wstring original = temp.Path() + L"Дистрибутив Install.cmd";
    if (c.Target) WriteFileBytes(target, c.Target);
    if (c.Original) WriteFileBytes(original, c.Original);
    const TTrustedProgram trusted(target, original);
    EXPECT_EQ(trusted.Refusal().substr(0, c.Refusal.size()), c.Refusal) << ToUtf8(trusted.Refusal());
    EXPECT_EQ(trusted.Refusal().empty(), c.Refusal.empty()) << ToUtf8(trusted.Refusal());
  }
  // Large enough for several reads, differing only in the last byte.
  TTempFolder temp;
  std::string bytes(300000, 'x');
  WriteFileBytes(temp.Path() + L"a", bytes);
  bytes.back() = 'y';
  WriteFileBytes(temp.Path() + L"b", bytes);
  EXPECT_FALSE(TTrustedProgram(temp.Path() + L"a", temp.Path() + L"b").Refusal().empty());
  EXPECT_TRUE(TTrustedProgram(temp.Path() + L"b", temp.Path() + L"b").Refusal().empty());
}

TEST(TrustedProgram, WhileHeldTheFileCannotBeChangedReplacedOrMovedAway) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"FTDIDriverInstall.exe";
  const std::wstring original = temp.Path() + L"из дистрибутива.exe";
  WriteFileBytes(file, "the installer");
  WriteFileBytes(original, "the installer");
  WriteFileBytes(temp.Path() + L"planted.exe", "a user's program");
  {
    const TTrustedProgram trusted(file, original);
    ASSERT_TRUE(trusted.Refusal().empty());
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "opened for writing";
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileW(file.c_str()));
    EXPECT_FALSE(MoveFileExW(file.c_str(), (temp.Path() + L"moved.exe").c_str(), 0));
    EXPECT_FALSE(MoveFileExW((temp.Path() + L"planted.exe").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING));
    // Reading and starting it stay possible.
    EXPECT_EQ(ReadFileBytes(file), "the installer");
  }
  EXPECT_TRUE(DeleteFileW(file.c_str())) << "let go at the end of its scope";
}

}  // namespace
