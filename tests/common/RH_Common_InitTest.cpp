#include <gtest/gtest.h>
#include <windows.h>

#include "CommonTestFiles.h"
#include "NumberFormat.h"
#include "Paths.h"
#include "RH_Common_Const.h"
#include "RH_Common_Init.h"
#include "RH_Common_Proc.h"
#include "RH_Common_Var.h"

namespace {

// This program lies in a folder of its own, where the test puts the settings and language files that
// the start-up finds beside the program.
TEST(CommonUnits, InitialiseInOrderOnceBeforeTheProgram) {
  const std::wstring programFolder = ProgramFolder();
  ASSERT_FALSE(programFolder.empty());
  const std::wstring settingsFolder = programFolder + L"Settings";
  RemoveFolderTree(settingsFolder);
  CreateFolder(settingsFolder);
  struct TCleanUp {
    std::wstring Folder;
    ~TCleanUp() { RemoveFolderTree(Folder); }
  } cleanUp{settingsFolder};
  // The settings ask for English; the English file names one body type and one text of RH_Common_Proc.
  WriteFileBytes(settingsFolder + L"\\rarovu.ini", "[options]\r\nLanguageSetting=ENG\r\nHardwareType=7\r\n");
  WriteFileBytes(settingsFolder + L"\\EngView.lng",
                 "[RH_Messages]\r\nNormo=Normosthenic\r\n[RH_Common_Proc]\r\nSbo=FAILURE\r\n");

  // A current folder with settings of its own plays no part.
  TTempFolder elsewhere;
  wchar_t savedCurrent[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, savedCurrent);
  CreateFolder(elsewhere.Path() + L"Settings");
  WriteFileBytes(elsewhere.Path() + L"Settings\\rarovu.ini", "[options]\r\nHardwareType=2\r\n");
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));

  // Before any code of the units ran, the tables already hold their texts.
  EXPECT_EQ(BodyTypeNames[0], L"Нормостеник");
  EXPECT_EQ(ElementNames[44], L"Безответный ");
  SetNumberFormat(L',', L'\x00A0');

  InitialiseCommonUnits();

  EXPECT_EQ(ProgramPath, programFolder);
  EXPECT_EQ(Settings.HardwareType, 7);
  EXPECT_EQ(CurrentNumberFormat().DecimalSeparator, L'.');
  EXPECT_EQ(FloatToStr(1234.5), L"1234.5");
  EXPECT_EQ(LanguageCode, L"ENG");
  EXPECT_EQ(LanguageFile, programFolder + L"Settings\\EngView.lng");
  // The localisation ran after the language was chosen.
  EXPECT_EQ(BodyTypeNames[0], L"Normosthenic");
  EXPECT_EQ(BodyTypeNames[1], L"Гиперстеник");
  EXPECT_EQ(Text_Sbo, L"FAILURE");
  EXPECT_EQ(Text_Met, L"МЕТКА");
  EXPECT_EQ(ViveInPath, programFolder + L"ViveIn\\");

  // A second call changes nothing: no second read, no second localisation.
  WriteFileBytes(settingsFolder + L"\\rarovu.ini", "[options]\r\nHardwareType=9\r\n");
  BodyTypeNames[0] = L"changed by the program";
  InitialiseCommonUnits();
  EXPECT_EQ(Settings.HardwareType, 7);
  EXPECT_EQ(LanguageCode, L"ENG");
  EXPECT_EQ(BodyTypeNames[0], L"changed by the program");

  SetCurrentDirectoryW(savedCurrent);
}

}  // namespace
