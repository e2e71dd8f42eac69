#include "BackupStage.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ElevationSeams.h"
#include "Error.h"
#include "FileOps.h"
#include "InstallTestFiles.h"
#include "RecordingContext.h"
#include "ReleaseInfoSamples.h"
#include "Scoped.h"

namespace {

// The run levels' names are ASCII; others only need to be there.
std::string Ascii(const std::wstring& Text) {
  std::string ascii;
  for (wchar_t c : Text) ascii += c < 0x80 ? static_cast<char>(c) : '?';
  return ascii;
}


std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return folder;
}

bool SameTextIgnoringCase(const std::wstring& Left, const std::wstring& Right) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, Left.c_str(), -1, Right.c_str(), -1) == CSTR_EQUAL;
}


// A source distribution and a target folder, both with Cyrillic names and blanks.
class TBackupStageTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  TRecordingContext Context;
  TInstallPlan Plan;

  void SetUp() override {
    Plan.Source = Temp.Path() + L"Дистрибутив комплекса\\";
    Plan.Target = Temp.Path() + L"Папка установки\\";
    CreateFolder(Plan.Source);
    CreateFolder(Plan.Target);
    CreateFolder(Plan.Source + L"Updater");
    WriteFileBytes(Plan.Source + L"Updater\\ReleaseInfo", ReleaseInfoBytes("1", "000000"));
    WriteFileBytes(Plan.Source + L"Updater\\Updater.exe.cfg", "[Updater]\r\n");
  }

  // A release level whose script records in the target folder that it ran.
  void AddLevel(const std::wstring& Name) {
    CreateFolder(Plan.Source + L"backup");
    CreateFolder(Plan.Source + L"backup\\" + Name);
    WriteFileBytes(Plan.Source + L"backup\\" + Name + L"\\Install.cmd",
                   "@echo off\r\necho " + Ascii(Name) + ">> \"%~dp0..\\..\\ran.txt\"\r\n");
  }
  std::wstring ReleaseInfo() const { return Plan.Target + L"ReleaseInfo"; }
};

struct TLevelCase {
  const char* Name;
  std::vector<std::wstring> Levels;  // made in this order
  const wchar_t* Chosen;             // the level whose script runs; nullptr when the stage fails
  const wchar_t* ErrorStart;         // the error's text up to the target folder...
  const wchar_t* ErrorEnd;           // ...and after it
};

TEST_F(TBackupStageTest, RunsTheNewestLevelAndRecordsIt) {
  const wchar_t* const noLevel = L"Не найден ни один уровень выпуска в папке \"";
  const wchar_t* const notDated = L"Имя папки уровня выпуска не оканчивается датой ДДММГГ: \"";
  const std::vector<TLevelCase> cases = {
      {"the date counts, not the name", {L"L010118", L"L150317"}, L"L010118", L"", L""},
      {"year before month before day", {L"L311217", L"L010218", L"L020118"}, L"L010218", L"", L""},
      {"put-aside levels are never run", {L"L150326", L"WithOutAnswer", L"L011226"}, L"L011226", L"", L""},
      {"equal dates: the first ignoring case", {L"Zeta010120", L"alpha010120", L"Beta010120"}, L"alpha010120", L"", L""},
      {"only put-aside levels", {L"WithOutAnswer"}, nullptr, noLevel, L"backup\\\""},
      {"no backup tree", {}, nullptr, noLevel, L"backup\\\""},
      {"a level without a date", {L"L011226", L"Архив"}, nullptr, notDated, L"backup\\Архив\""},
      {"a name shorter than a date", {L"L1"}, nullptr, notDated, L"backup\\L1\""},
  };
  for (const TLevelCase& c : cases) {
    SCOPED_TRACE(c.Name);
    RemoveFolderTree(Plan.Source + L"backup");
    RemoveFolderTree(Plan.Target);
    CreateFolder(Plan.Target);
    for (const std::wstring& level : c.Levels) AddLevel(level);

    if (c.Chosen) {
      DeployBackupAndUpdater(Context, Plan);
      const std::string chosen = Ascii(c.Chosen);
      EXPECT_EQ(ReadFileBytes(Plan.Target + L"ran.txt"), chosen + "\r\n");
      EXPECT_EQ(Saved(ReleaseInfo()), WithoutCr(ReleaseInfoBytes("1", chosen.substr(1))));
    } else {
      try {
        DeployBackupAndUpdater(Context, Plan);
        ADD_FAILURE() << "no error";
      } catch (const EProgramError& error) {
        EXPECT_EQ(error.Text(), c.ErrorStart + Plan.Target + c.ErrorEnd);
      }
      EXPECT_FALSE(TestFileExists(Plan.Target + L"ran.txt"));
      EXPECT_EQ(ReadFileBytes(ReleaseInfo()), ReleaseInfoBytes("1", "000000"));
    }
    EXPECT_TRUE(Context.Lines.empty());
  }
}

TEST_F(TBackupStageTest, ScriptRunsInItsLevelFolderAndTheCurrentFolderComesBack) {
  AddLevel(L"L150326");
  CreateFolder(Plan.Source + L"backup\\L011226");
  // cmd writes %CD% in the OEM code page.
  WriteFileBytes(Plan.Source + L"backup\\L011226\\Install.cmd", "@echo off\r\necho %CD%> cd.txt\r\n");
  const std::wstring before = CurrentFolder();

  DeployBackupAndUpdater(Context, Plan);

  EXPECT_EQ(CurrentFolder(), before);
  const std::string bytes = ReadFileBytes(Plan.Target + L"backup\\L011226\\cd.txt");
  std::wstring written(bytes.size(), L'\0');
  written.resize(MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), written.data(),
                                     static_cast<int>(written.size())));
  EXPECT_TRUE(SameTextIgnoringCase(written, Plan.Target + L"backup\\L011226\r\n")) << ToUtf8(written);
  EXPECT_FALSE(TestFileExists(Plan.Target + L"ran.txt")) << "the older level ran";
}

TEST_F(TBackupStageTest, ScriptThatCannotStartEndsTheStageAndTheCurrentFolderComesBack) {
  CreateFolder(Plan.Source + L"backup");
  CreateFolder(Plan.Source + L"backup\\L011226");
  const std::wstring before = CurrentFolder();

  try {
    DeployBackupAndUpdater(Context, Plan);
    ADD_FAILURE() << "no error";
  } catch (const EProgramError& error) {
    EXPECT_NE(error.Text().find(Plan.Target + L"backup\\L011226\\Install.cmd"), std::wstring::npos)
        << error.what();
  }
  EXPECT_EQ(CurrentFolder(), before);
  EXPECT_EQ(ReadFileBytes(ReleaseInfo()), ReleaseInfoBytes("1", "000000"));
}

TEST_F(TBackupStageTest, CopiesTheTreesAndMakesTheUpdaterFilesWritable) {
  AddLevel(L"L011226");
  CreateFolder(Plan.Source + L"backup\\WithOutAnswer");
  WriteFileBytes(Plan.Source + L"backup\\WithOutAnswer\\Отложено.txt", "aside");
  CreateFolder(Plan.Source + L"Updater\\Языки");
  WriteFileBytes(Plan.Source + L"Updater\\Языки\\ru.txt", "ru");
  SetFileAttributesW((Plan.Source + L"Updater\\ReleaseInfo").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((Plan.Source + L"Updater\\Updater.exe.cfg").c_str(), FILE_ATTRIBUTE_READONLY);
  // A second installation copies over what the first left.
  CreateFolder(Plan.Target + L"Backup");
  WriteFileBytes(Plan.Target + L"Updater.exe.cfg", "old");

  DeployBackupAndUpdater(Context, Plan);

  EXPECT_EQ(ReadFileBytes(Plan.Target + L"backup\\WithOutAnswer\\Отложено.txt"), "aside");
  EXPECT_TRUE(TestFileExists(Plan.Target + L"backup\\L011226\\Install.cmd"));
  EXPECT_EQ(ReadFileBytes(Plan.Target + L"Языки\\ru.txt"), "ru");
  EXPECT_EQ(ReadFileBytes(Plan.Target + L"Updater.exe.cfg"), "[Updater]\r\n");
  for (const wchar_t* name : {L"ReleaseInfo", L"Updater.exe.cfg"}) {
    EXPECT_FALSE(GetFileAttributesW((Plan.Target + name).c_str()) & FILE_ATTRIBUTE_READONLY) << ToUtf8(name);
  }
  EXPECT_EQ(Saved(ReleaseInfo()), WithoutCr(ReleaseInfoBytes("1", "011226")));
}

// The sample distribution's own levels and release information, as the build lays them out: the newest
// level puts the suite's main program into the target folder.
TEST_F(TBackupStageTest, SampleDistributionInstallsItsNewestLevel) {
  // This file's folder as Wine sees the host's file system (Z: is the host's root).
  std::wstring here = L"Z:" + FromUtf8(__FILE__);
  for (wchar_t& c : here) {
    if (c == L'/') c = L'\\';
  }
  const std::wstring sample = here.substr(0, here.rfind(L"\\tests\\install\\")) + L"\\distribution\\";
  ASSERT_TRUE(TestFileExists(sample + L"backup\\L011226\\Install.cmd")) << ToUtf8(sample);
  CopyFolderTree(sample + L"backup", Plan.Source + L"backup");
  CopyFileW((sample + L"Updater\\ReleaseInfo").c_str(), (Plan.Source + L"Updater\\ReleaseInfo").c_str(), FALSE);
  // Put there by the build.
  WriteFileBytes(Plan.Source + L"backup\\L011226\\Vidoze.exe", "MZ stand-in");

  DeployBackupAndUpdater(Context, Plan);

  EXPECT_EQ(ReadFileBytes(Plan.Target + L"Vidoze.exe"), "MZ stand-in");
  EXPECT_FALSE(TestFileExists(Plan.Target + L"Install.cmd"));
  std::string expected = ReadFileBytes(sample + L"Updater\\ReleaseInfo");
  expected.replace(expected.find("<Level></Level>"), 15, "<Level>011226</Level>");
  EXPECT_EQ(Saved(ReleaseInfo()), WithoutCr(expected));
}

// A release level's script that ends with a code other than 0 does not end the installation; the log
// says so, and the level is recorded as after any run of it.
TEST_F(TBackupStageTest, ScriptEndingWithAnErrorCodeIsANotice) {
  CreateFolder(Plan.Source + L"backup");
  CreateFolder(Plan.Source + L"backup\\L011226");
  WriteFileBytes(Plan.Source + L"backup\\L011226\\Install.cmd", "@exit /b 3\r\n");

  EXPECT_NO_THROW(DeployBackupAndUpdater(Context, Plan));
  EXPECT_EQ(Context.Lines, std::vector<std::wstring>{L"Сценарий уровня выпуска \"" + Plan.Target +
                                                     L"backup\\L011226\\Install.cmd\" завершился с кодом 3"});
  EXPECT_EQ(Saved(ReleaseInfo()), WithoutCr(ReleaseInfoBytes("1", "011226")));
}

}  // namespace

namespace {

// A level that no distribution brought, put into the target's "backup" by a user (or an updater): it is
// still the level chosen and recorded, but its script runs with administrator rights only when it is the
// distribution's. Each script leaves its level's name in "ran.txt" when it runs.
TEST_F(TBackupStageTest, APlantedLevelsScriptNeverRunsWithAdministratorRights) {
  struct {
    const char* Name;
    bool Administrator;
    std::string Ran;
    bool Notice;
  } const cases[] = {
      {"with administrator rights", true, "", true},
      {"without them", false, "L150327\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    RemoveFolderTree(Plan.Target);
    CreateFolder(Plan.Target);
    AddLevel(L"L011226");
    CreateFolder(Plan.Target + L"backup");
    CreateFolder(Plan.Target + L"backup\\L150327");
    const std::wstring planted = Plan.Target + L"backup\\L150327\\Install.cmd";
    WriteFileBytes(planted, "@echo off\r\necho L150327>> \"%~dp0..\\..\\ran.txt\"\r\n");
    Context.Lines.clear();
    {
      const TAdministratorRights rights(c.Administrator);
      EXPECT_NO_THROW(DeployBackupAndUpdater(Context, Plan));
    }
    EXPECT_EQ(TestFileExists(Plan.Target + L"ran.txt") ? ReadFileBytes(Plan.Target + L"ran.txt") : "", c.Ran);
    const std::vector<std::wstring> notice = {
        L"Сценарий уровня выпуска \"" + planted + L"\" не запущен с правами администратора: в дистрибутиве нет "
        L"такого файла (\"" + Plan.Source + L"backup\\L150327\\Install.cmd\")"};
    EXPECT_EQ(Context.Lines, c.Notice ? notice : std::vector<std::wstring>());
    EXPECT_EQ(Saved(ReleaseInfo()), WithoutCr(ReleaseInfoBytes("1", "150327"))) << "the newest level is recorded";
  }
}

// The distribution's own script runs with administrator rights, as it always did.
TEST_F(TBackupStageTest, TheDistributionsScriptRunsWithAdministratorRights) {
  AddLevel(L"L011226");
  const TAdministratorRights rights(true);
  DeployBackupAndUpdater(Context, Plan);
  EXPECT_EQ(ReadFileBytes(Plan.Target + L"ran.txt"), "L011226\r\n");
  EXPECT_TRUE(Context.Lines.empty());
}

}  // namespace
