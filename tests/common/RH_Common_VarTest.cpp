#include <gtest/gtest.h>
#include <windows.h>

#include "CommonTestFiles.h"
#include "Paths.h"
#include "RH_Common_Proc.h"
#include "RH_Common_Var.h"

namespace {

TEST(ProgramFolder, IsTheFolderPartWithItsBackslash) {
  const struct { const wchar_t* FileName; const wchar_t* Folder; } cases[] = {
      {L"C:\\Suite\\Bin\\prog.exe", L"C:\\Suite\\Bin\\"},
      {L"C:\\prog.exe", L"C:\\"},
      {L"\\\\server\\share\\Ритмон Vidoze\\Install.exe", L"\\\\server\\share\\Ритмон Vidoze\\"},
      {L"prog.exe", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolderOf(c.FileName), c.Folder) << c.FileName;
}

TEST(ProgramFolder, IsTheExecutablesFolderWhateverTheCurrentFolder) {
  TTempFolder elsewhere;
  wchar_t saved[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
  const std::wstring folder = ProgramFolder();
  SetCurrentDirectoryW(saved);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_NE(folder, elsewhere.Path());
  EXPECT_NE(GetFileAttributesW((folder + L"common_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
}

class GlobalEnvironment : public TProgramFolderTest {
 protected:
  // Settings\rarovu.ini only when given.
  std::wstring Program(const std::string* Ini) { return Ini ? ProgramWithSettings(*Ini) : NewProgramFolder(); }
};

TEST_F(GlobalEnvironment, EnglishOnlyForENGExactly) {
  const std::string eng = "[options]\r\nLanguageSetting=ENG\r\n";
  const std::string engInOtherCase = "[Options]\r\nlanguagesetting=ENG\r\n";
  const std::string lower = "[options]\r\nLanguageSetting=eng\r\n";
  const std::string mixed = "[options]\r\nLanguageSetting=Eng\r\n";
  // The profile function drops blanks around a value, but keeps those inside quotes.
  const std::string trailingBlank = "[options]\r\nLanguageSetting=\"ENG \"\r\n";
  const std::string other = "[options]\r\nLanguageSetting=RUS\r\n";
  const std::string empty = "[options]\r\nLanguageSetting=\r\n";
  const struct { const char* Name; const std::string* Ini; bool English; } cases[] = {
      {"ENG", &eng, true},         {"ENG, names in other cases", &engInOtherCase, true},
      {"eng", &lower, false},      {"Eng", &mixed, false},
      {"ENG with a blank", &trailingBlank, false},
      {"RUS", &other, false},      {"empty", &empty, false},
      {"no settings file", nullptr, false},
  };
  for (const auto& c : cases) {
    const std::wstring folder = Program(c.Ini);
    LanguageCode = L"stale";
    LanguageFile = L"stale";
    InitialiseCommonVar(folder);
    EXPECT_EQ(LanguageCode, c.English ? L"ENG" : L"RUS") << c.Name;
    // Named whether or not the language file exists (it does not here).
    EXPECT_EQ(LanguageFile, c.English ? folder + L"Settings\\EngView.lng" : L"") << c.Name;
  }
}

TEST_F(GlobalEnvironment, NamesTheFoldersAndDefaults) {
  const std::string ini = "[options]\r\nHardwareType=4\r\n";
  const std::wstring folder = Program(&ini);
  DefaultWidth = DefaultHeight = SuiteNumber = 0;
  SuiteSwitches = {true, true, true, false, true, true};
  for (const std::wstring& given : {folder, folder.substr(0, folder.size() - 1)}) {
    InitialiseCommonVar(given);
    EXPECT_EQ(ProgramPath, folder);
    EXPECT_EQ(Settings.HardwareType, 4);  // read from this very folder
    EXPECT_EQ(ViveInPath, folder + L"ViveIn\\");
    EXPECT_EQ(ViveOutPath, folder + L"ViveOut\\");
    EXPECT_EQ(DefaultWidth, 640);
    EXPECT_EQ(DefaultHeight, 480);
    EXPECT_EQ(SuiteNumber, 1);
    EXPECT_EQ(SuiteSwitches, (std::array<bool, 6>{false, false, false, true, false, false}));
    EXPECT_EQ(ResourceModule, nullptr);
    // The exchange folders are only named.
    EXPECT_EQ(GetFileAttributesW(ViveInPath.c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
