#include "BackupStage.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ElevationSeams.h"
#include "Error.h"
#include "FileOps.h"
#include "InstallTestFiles.h"
#include "RecordingContext.h"
#include "Scoped.h"

namespace {

const std::wstring ReleaseInfoPrefix = L"Cannot get release information, error: ";

std::string ReleaseInfoBytes(const std::string& Version, const std::string& Level) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<ROOT>\r\n"
         "  <!-- written by the release builder -->\r\n"
         "  <Version>" + Version + "</Version>\r\n"
         "  <Level>" + Level + "</Level>\r\n"
         "  <Product name=\"\xD0\xA0\xD0\xB8\xD1\x82\xD0\xBC\xD0\xBE\xD0\xBD\">Ritmon &amp; Co</Product>\r\n"
         "  <Notes>\r\n"
         "    <Note>first</Note>\r\n"
         "  </Notes>\r\n"
         "</ROOT>\r\n";
}

// The run levels' names are ASCII; others only need to be there.
std::string Ascii(const std::wstring& Text) {
  std::string ascii;
  for (wchar_t c : Text) ascii += c < 0x80 ? static_cast<char>(c) : '?';
  return ascii;
}

// A saved document's line breaks: Windows' MSXML writes them as CR LF, Wine's as LF, so saved files are
// compared without their CRs.
std::string WithoutCr(std::string Bytes) {
  Bytes.erase(std::remove(Bytes.begin(), Bytes.end(), '\r'), Bytes.end());
  return Bytes;
}
std::string Saved(const std::wstring& File) { return WithoutCr(ReadFileBytes(File)); }

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return folder;
}

bool SameTextIgnoringCase(const std::wstring& Left, const std::wstring& Right) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, Left.c_str(), -1, Right.c_str(), -1) == CSTR_EQUAL;
}

// True when this thread is in no apartment: a different model can then still be entered.
bool ApartmentLeft() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result == S_OK;
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

struct TReleaseInfoCase {
  const char* Name;
  std::string Bytes;
  std::wstring Error;  // empty: the Level is set
};

TEST(UpdateReleaseInfo, SetsOnlyTheLevelOfAVersionOneFile) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"ReleaseInfo";
  const std::string otherRoot =
      "<?xml version=\"1.0\"?>\r\n<Release><Version>1</Version><Level>1</Level></Release>\r\n";
  const std::vector<TReleaseInfoCase> cases = {
      {"version 1", ReleaseInfoBytes("1", "150326"), L""},
      {"version 1 in blanks", ReleaseInfoBytes(" 1 ", "150326"), L""},
      {"version 2", ReleaseInfoBytes("2", "150326"), ReleaseInfoPrefix + L"unknown release file version"},
      {"no version", "<ROOT><Level>150326</Level></ROOT>", ReleaseInfoPrefix + L"unknown release file version"},
      {"version not a number", ReleaseInfoBytes("one", "150326"),
       ReleaseInfoPrefix + L"the Version element is not an integer"},
      {"no level", "<ROOT><Version>1</Version></ROOT>", ReleaseInfoPrefix + L"the file has no Level element"},
      {"another document element", otherRoot, ReleaseInfoPrefix + L"the document element is not ROOT"},
  };
  for (const TReleaseInfoCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFileBytes(file, c.Bytes);
    if (c.Error.empty()) {
      UpdateReleaseInfo(temp.Path(), L"011226");
      std::string expected = c.Bytes;
      expected.replace(expected.find("150326"), 6, "011226");
      EXPECT_EQ(Saved(file), WithoutCr(expected));
    } else {
      try {
        UpdateReleaseInfo(temp.Path(), L"011226");
        ADD_FAILURE() << "no error";
      } catch (const EProgramError& error) {
        EXPECT_EQ(error.Text(), c.Error);
      }
      EXPECT_EQ(ReadFileBytes(file), c.Bytes);
    }
    EXPECT_TRUE(ApartmentLeft());
  }
}

TEST(UpdateReleaseInfo, FailsOnAMissingUnreadableOrUnwritableFile) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"ReleaseInfo";
  const auto errorOf = [&temp]() -> std::wstring {
    try {
      UpdateReleaseInfo(temp.Path(), L"011226");
    } catch (const EProgramError& error) {
      EXPECT_TRUE(ApartmentLeft());
      return error.Text();
    }
    return L"no error";
  };

  EXPECT_EQ(errorOf(), L"Release info file does not exist");

  WriteFileBytes(file, "<ROOT><Version>1</Version><Level>");
  const std::wstring parse = errorOf();
  EXPECT_EQ(parse.rfind(ReleaseInfoPrefix, 0), 0u) << ToUtf8(parse);
  EXPECT_EQ(parse.rfind(ReleaseInfoPrefix + L"the file cannot be read as XML", 0), 0u) << ToUtf8(parse);

  WriteFileBytes(file, ReleaseInfoBytes("1", "150326"));
  {
    // Readable, not writable. Read-only would not do: Wine run by root writes read-only files all the same.
    const TScopedFile held(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    const std::wstring save = errorOf();
    EXPECT_EQ(save.rfind(ReleaseInfoPrefix + L"cannot save \"" + file + L"\": ", 0), 0u) << ToUtf8(save);
  }
  EXPECT_EQ(ReadFileBytes(file), ReleaseInfoBytes("1", "150326"));
}

// "ReleaseInfo" comes with the distribution, which a clinic may get from anywhere: hostile input. None
// of these may fetch anything, expand anything or take long; each ends the stage with the release
// information error naming its cause, and the file stays as it was.
struct THostileCase {
  const char* Name;
  std::string Bytes;  // written as they are; empty: see Size
  long long Size;     // a file of this size without content (sparse), when Bytes is empty
  std::wstring Error;  // the error's text, or its start when Exact is false
  bool Exact;
};

std::string Utf16Le(const std::string& Ascii, bool Mark) {
  std::string bytes = Mark ? std::string("\xFF\xFE", 2) : std::string();
  for (char c : Ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

std::string Utf16Be(const std::string& Ascii) {
  std::string bytes;
  for (char c : Ascii) {
    bytes += '\0';
    bytes += c;
  }
  return bytes;
}

// Ten levels of ten: a thousand million "lol"s if a parser expanded them.
std::string EntityBomb() {
  std::string text = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE ROOT [\r\n<!ENTITY lol0 \"lol\">\r\n";
  for (int level = 1; level <= 9; ++level) {
    text += "<!ENTITY lol" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) text += "&lol" + std::to_string(level - 1) + ";";
    text += "\">\r\n";
  }
  return text + "]>\r\n<ROOT><Version>1</Version><Level>&lol9;</Level></ROOT>\r\n";
}

std::string DeepNesting() {
  std::string text = "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version><Level>1</Level>";
  for (int i = 0; i < 100000; ++i) text += "<a>";
  for (int i = 0; i < 100000; ++i) text += "</a>";
  return text + "</ROOT>\r\n";
}

SIZE_T PeakCommit() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakPagefileUsage;
}

bool MakeSparseFile(const std::wstring& File, long long Size) {
  const TScopedFile file(CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER end{};
  end.QuadPart = Size;
  return SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

TEST(UpdateReleaseInfo, HostileFilesEndTheStageQuicklyNamingTheCause) {
  const std::wstring doctype = ReleaseInfoPrefix + L"the file has a document type declaration (<!DOCTYPE>), which is not allowed here";
  const std::wstring notXml = ReleaseInfoPrefix + L"the file cannot be read as XML";
  const std::string valid = "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version><Level>1</Level></ROOT>\r\n";
  const std::string external =
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE ROOT [<!ENTITY ext SYSTEM \"file:///C:/windows/win.ini\">]>\r\n"
      "<ROOT><Version>1</Version><Level>&ext;</Level></ROOT>\r\n";
  const std::vector<THostileCase> cases = {
      {"a bare DOCTYPE", "<?xml version=\"1.0\"?>\r\n<!DOCTYPE ROOT>\r\n<ROOT><Version>1</Version><Level>1</Level></ROOT>",
       0, doctype, true},
      {"an external entity", external, 0, doctype, true},
      {"an external DTD", "<!DOCTYPE ROOT SYSTEM \"http://127.0.0.1:9/release.dtd\"><ROOT><Version>1</Version></ROOT>", 0,
       doctype, true},
      {"an entity bomb", EntityBomb(), 0, doctype, true},
      {"a lower-case doctype after a comment and an instruction",
       "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- release -->\r\n<?builder x?>\r\n<!doctype ROOT>\r\n<ROOT/>", 0, doctype,
       true},
      {"a DOCTYPE in UTF-16 with its mark", Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE ROOT><ROOT/>", true),
       0, doctype, true},
      {"a DOCTYPE in UTF-16 big-endian without a mark",
       Utf16Be("<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE ROOT><ROOT/>"), 0, doctype, true},
      {"one byte over a mebibyte", valid + std::string(1024 * 1024 + 1 - valid.size(), ' '), 0,
       ReleaseInfoPrefix + L"the file is too large (1048577 bytes, at most 1048576)", true},
      // Its size taken as 32 bits would be a hundred bytes.
      {"four gibibytes and a hundred bytes", "", 4294967396LL,
       ReleaseInfoPrefix + L"the file is too large (4294967396 bytes, at most 1048576)", true},
      {"cp1251 bytes declared as UTF-8",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ROOT><Version>1</Version><Level>\xD0\xE8\xF2\xEC\xEE\xED</Level></ROOT>",
       0, notXml, false},
      {"an encoding nobody knows",
       "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?>\r\n<ROOT><Version>1</Version><Level>1</Level></ROOT>", 0,
       notXml, false},
      {"elements nested a hundred thousand deep", DeepNesting(), 0, notXml, false},
      {"no XML at all", std::string("\x00\x01\x02garbage", 10), 0, notXml, false},
  };
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"ReleaseInfo";
  for (const THostileCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Bytes.empty()) {
      if (!MakeSparseFile(file, c.Size)) {
        ADD_FAILURE() << "no sparse file of " << c.Size << " bytes here";
        continue;
      }
    } else {
      WriteFileBytes(file, c.Bytes);
    }
    const SIZE_T peakBefore = PeakCommit();
    const ULONGLONG start = GetTickCount64();
    std::wstring error = L"no error";
    try {
      UpdateReleaseInfo(temp.Path(), L"011226");
    } catch (const EProgramError& raised) {
      error = raised.Text();
    }
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_LT(PeakCommit() - peakBefore, static_cast<SIZE_T>(64) << 20) << "memory grew";
    if (c.Exact) {
      EXPECT_EQ(error, c.Error);
    } else {
      EXPECT_EQ(error.rfind(c.Error, 0), 0u) << ToUtf8(error);
    }
    if (c.Bytes.empty()) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
      EXPECT_EQ(static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow, c.Size);
    } else {
      EXPECT_EQ(ReadFileBytes(file), c.Bytes) << "the file was changed";
    }
    EXPECT_TRUE(ApartmentLeft());
    DeleteFileW(file.c_str());
  }
}

// The bounds hold on the other side too: a file of exactly the limit, in UTF-16, with a comment that
// mentions a DOCTYPE, is read and gets its level.
TEST(UpdateReleaseInfo, FileAtTheLimitWithADoctypeOnlyInACommentIsRead) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"ReleaseInfo";
  const std::string head = "<?xml version=\"1.0\"?>\r\n<!-- no <!DOCTYPE> here -->\r\n<ROOT><Version>1</Version><Level>150326</Level>";
  const std::string tail = "</ROOT>\r\n";
  WriteFileBytes(file, head + std::string(1024 * 1024 - head.size() - tail.size(), ' ') + tail);
  EXPECT_NO_THROW(UpdateReleaseInfo(temp.Path(), L"011226"));
  EXPECT_NE(ReadFileBytes(file).find("<Level>011226</Level>"), std::string::npos);

  WriteFileBytes(file, Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?><ROOT><Version>1</Version><Level>1</Level></ROOT>",
                               true));
  EXPECT_NO_THROW(UpdateReleaseInfo(temp.Path(), L"011226"));
  // Windows' MSXML saves in the declared UTF-16; Wine's writes UTF-8 under that declaration.
  const std::string saved = ReadFileBytes(file);
  EXPECT_TRUE(saved.find(Utf16Le("<Level>011226</Level>", false)) != std::string::npos ||
              saved.find("<Level>011226</Level>") != std::string::npos);
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
