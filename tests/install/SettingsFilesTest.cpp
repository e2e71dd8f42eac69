#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "Error.h"
#include "IniFile.h"
#include "InstallTestFiles.h"
#include "ProfileFile.h"
#include "SettingsFiles.h"

namespace {

// Days since 30 December 1899 by the civil calendar, counted here apart from the program's own way.
double DaysSince1899(const SYSTEMTIME& Time) {
  const int m = Time.wMonth, d = Time.wDay;
  const int y = Time.wYear - (m <= 2 ? 1 : 0);
  const int era = y / 400, yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int daysSince1970 = era * 146097 + dayOfEra - 719468;
  const double seconds = Time.wHour * 3600.0 + Time.wMinute * 60.0 + Time.wSecond + Time.wMilliseconds / 1000.0;
  return daysSince1970 + 25569 + seconds / 86400.0;
}

double LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DaysSince1899(now);
}

class SettingsFilesTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  // The target folder as the sequence gives it: with a trailing backslash.
  const std::wstring Target = Temp.Path() + L"Ритмон Видоз\\";
  const std::wstring SettingsFolder = Target + L"Settings\\";
  const std::wstring LastNum = SettingsFolder + L"lastnum.dta";

  void SetUp() override { CreateFolder(Target); }
};

TEST_F(SettingsFilesTest, CalendarOfTheTestCountsFromTheRightDay) {
  SYSTEMTIME t{};
  t.wYear = 1899, t.wMonth = 12, t.wDay = 30;
  EXPECT_EQ(DaysSince1899(t), 0.0);
  t.wYear = 2024, t.wMonth = 3, t.wDay = 1, t.wHour = 18;
  EXPECT_EQ(DaysSince1899(t), 45352.75);
}

TEST_F(SettingsFilesTest, InstallKeysChangeOnlyTheirTwoKeys) {
  struct TCase {
    const char* Name;
    std::optional<std::string> Before;
    std::string After;
  };
  const TCase cases[] = {
      {"no file yet", std::nullopt, "[options]\r\nFilterType=0\r\nHardwareType=1\r\n"},
      {"other keys and sections kept, FilterType 2 becomes 0",
       Ansi(L"[Общие]\r\nПуть=Д:\\Данные\r\n[options]\r\nLanguageSetting=ENG\r\nFilterType=2\r\nHardwareType=3\r\n"
            L"NurseMode=0\r\n"),
       Ansi(L"[Общие]\r\nПуть=Д:\\Данные\r\n[options]\r\nLanguageSetting=ENG\r\nFilterType=0\r\nHardwareType=1\r\n"
            L"NurseMode=0\r\n")},
  };
  CreateFolder(SettingsFolder);
  const std::wstring file = SettingsFolder + L"rarovu.ini";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    DeleteFileW(file.c_str());
    if (c.Before) WriteFileBytes(file, *c.Before);
    WriteInstallKeys(Target);
    EXPECT_EQ(ReadFileBytes(file), c.After);
    // As the suite's programs read it.
    const TProfileFile settings(file);
    EXPECT_EQ(settings.ReadInteger(L"options", L"FilterType", -1), 0);
    EXPECT_EQ(settings.ReadInteger(L"options", L"HardwareType", -1), 1);
  }
}

TEST_F(SettingsFilesTest, InstallKeysWithoutSettingsFolderEndTheInstallation) {
  const std::wstring file = SettingsFolder + L"rarovu.ini";
  try {
    WriteInstallKeys(Target);
    ADD_FAILURE() << "no error";
  } catch (const EProgramError& e) {
    EXPECT_EQ(e.Text().rfind(L"Cannot create file \"" + file + L"\". ", 0), 0u) << e.what();
    EXPECT_EQ(e.SystemCode(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  }
}

TEST_F(SettingsFilesTest, NewLastNumberFileHoldsZerosAndTheTimeOfWriting) {
  CreateFolder(SettingsFolder);
  const double before = LocalNow();
  WriteLastNumberFile(Target);
  const double after = LocalNow();

  const std::string bytes = ReadFileBytes(LastNum);
  ASSERT_EQ(bytes.size(), 14u);
  EXPECT_EQ(bytes.substr(0, 6), std::string(6, '\0'));
  double written = 0;
  std::memcpy(&written, bytes.data() + 6, sizeof(written));
  const double second = 1.0 / 86400;
  EXPECT_GE(written, before - second);
  EXPECT_LE(written, after + second);
  EXPECT_FALSE(TestFileExists(LastNum + L".tmp"));
}

TEST_F(SettingsFilesTest, LastNumberFileIsWrittenOnlyWhereItBelongs) {
  struct TCase {
    const char* Name;
    bool SettingsFolderExists;
    std::optional<std::string> Existing;
  };
  // Any content: a reinstallation keeps whatever the suite left, even a short file.
  std::string earlier(14, '\0');
  earlier[2] = '\x39', earlier[3] = '\x30', earlier[13] = '\x40';
  const TCase cases[] = {
      {"an existing file keeps its bytes", true, earlier},
      {"an existing short file is not mended either", true, std::string("\x01\x02\x03", 3)},
      {"no settings folder: nothing, not even the folder", false, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    RemoveFolderTree(SettingsFolder);
    if (c.SettingsFolderExists) CreateFolder(SettingsFolder);
    if (c.Existing) WriteFileBytes(LastNum, *c.Existing);
    EXPECT_NO_THROW(WriteLastNumberFile(Target));
    if (c.Existing) {
      EXPECT_EQ(ReadFileBytes(LastNum), *c.Existing);
    } else {
      EXPECT_FALSE(TestFileExists(LastNum));
    }
    EXPECT_EQ(GetFileAttributesW(SettingsFolder.c_str()) != INVALID_FILE_ATTRIBUTES, c.SettingsFolderExists);
  }
}

struct TPowerCut {};
void CutPowerBeforeMove(const std::wstring&) { throw TPowerCut(); }

TEST_F(SettingsFilesTest, InterruptedLastNumberFileIsMissingRatherThanShort) {
  CreateFolder(SettingsFolder);
  {
    const FileWriteSeams::TScopedBeforeMove cut(CutPowerBeforeMove);
    EXPECT_NO_THROW(WriteLastNumberFile(Target));
  }
  EXPECT_FALSE(TestFileExists(LastNum));
  // So the next installation writes it whole.
  WriteLastNumberFile(Target);
  EXPECT_EQ(ReadFileBytes(LastNum).size(), 14u);
  EXPECT_FALSE(TestFileExists(LastNum + L".tmp"));
}

TEST_F(SettingsFilesTest, SiblingSettingsSetTheDisk) {
  struct TCase {
    const char* Name;
    std::optional<std::string> Before;
    std::string After;
  };
  const TCase cases[] = {
      {"no file yet", std::nullopt, "[Common]\r\nDisk=I\r\n"},
      {"other content kept", Ansi(L"; Диск прибора\r\n[COMMON]\r\ndisk = C\r\nPort=3\r\n[Прочее]\r\nа=б\r\n"),
       Ansi(L"; Диск прибора\r\n[COMMON]\r\ndisk = I\r\nPort=3\r\n[Прочее]\r\nа=б\r\n")},
  };
  const std::wstring file = Target + L"btooth.ini";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    DeleteFileW(file.c_str());
    if (c.Before) WriteFileBytes(file, *c.Before);
    WriteSiblingSettings(Target);
    EXPECT_EQ(ReadFileBytes(file), c.After);
    EXPECT_EQ(TProfileFile(file).ReadString(L"Common", L"Disk", L""), L"I");
  }
  // Not in the settings folder.
  EXPECT_FALSE(TestFileExists(SettingsFolder + L"btooth.ini"));
}

TEST_F(SettingsFilesTest, SiblingSettingsThatCannotBeWrittenEndTheInstallation) {
  const std::wstring file = Target + L"btooth.ini";
  WriteFileBytes(file, "[Common]\r\nDisk=C\r\n");
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_THROW(WriteSiblingSettings(Target), EProgramError);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(file), "[Common]\r\nDisk=C\r\n");
}

}  // namespace
