#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Error.h"
#include "IniFile.h"
#include "InstallTestFiles.h"

namespace {

std::string Encoded(TIniEncoding Encoding, const std::wstring& Text) {
  if (Encoding == TIniEncoding::Ansi) return Ansi(Text);
  if (Encoding == TIniEncoding::Utf8) return "\xEF\xBB\xBF" + ToUtf8(Text);
  const bool little = Encoding == TIniEncoding::Utf16LE;
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (wchar_t c : Text) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    bytes += little ? low : high;
    bytes += little ? high : low;
  }
  return bytes;
}

// What the suite's programs see: the system's own reader.
std::wstring SystemRead(const std::wstring& File, const std::wstring& Section, const std::wstring& Key) {
  wchar_t buffer[2048] = {};
  const DWORD length =
      GetPrivateProfileStringW(Section.c_str(), Key.c_str(), L"<none>", buffer, 2048, File.c_str());
  return std::wstring(buffer, length);
}

std::wstring SystemText(DWORD Code) {
  wchar_t text[1024] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code,
                                      0, text, 1024, nullptr);
  std::wstring result(text, length);
  while (!result.empty() && (result.back() == L'.' || result.back() == L' ' || result.back() == L'\r' ||
                             result.back() == L'\n')) {
    result.pop_back();
  }
  return result;
}

void SetInstallKeys(TIniFile& File) {
  File.WriteInteger(L"options", L"FilterType", 0);
  File.WriteInteger(L"options", L"HardwareType", 1);
}

class IniFileTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  const std::wstring File = Temp.Path() + L"Настройки программы.ini";
  const std::wstring Temporary = File + L".tmp";
};

TEST_F(IniFileTest, ProcessCodePageIsTheOperators) {
  // Every ANSI expectation below is cp1251: the test run must have the operator's Windows.
  ASSERT_EQ(GetACP(), 1251u);
}

TEST_F(IniFileTest, ChangesOnlyTheTwoKeysOfAnAnsiFile) {
  // 0x98 has no character in cp1251: a file that went through text and back would lose it.
  const std::string unmapped = "\x98\xC0";
  struct TCase {
    const char* Name;
    std::string Before;
    std::string After;
  };
  const TCase cases[] = {
      {"other sections, comments, blanks and cp1251 bytes stay",
       Ansi(L"; Настройки программы\r\n[Общие]\r\nПуть=C:\\Ритмон данные\\ ") + unmapped +
           Ansi(L"\r\n\r\n[options]\r\nDebugPrint=1\r\nFilterType=2\r\nLanguageSetting=ENG\r\n\r\n\r\n"
                L"[Другое]\r\nключ = значение ;\r\n"),
       Ansi(L"; Настройки программы\r\n[Общие]\r\nПуть=C:\\Ритмон данные\\ ") + unmapped +
           Ansi(L"\r\n\r\n[options]\r\nDebugPrint=1\r\nFilterType=0\r\nLanguageSetting=ENG\r\nHardwareType=1\r\n"
                L"\r\n\r\n[Другое]\r\nключ = значение ;\r\n")},
      {"other case and blanks: the spelling and the blanks up to the value stay",
       "[OPTIONS]\r\n  filtertype  =  2  \r\nhardwaretype\t=7\r\n",
       "[OPTIONS]\r\n  filtertype  =  0\r\nhardwaretype\t=1\r\n"},
      {"missing section goes to the end", Ansi(L"[Другое]\r\nk=v\r\n"),
       Ansi(L"[Другое]\r\nk=v\r\n[options]\r\nFilterType=0\r\nHardwareType=1\r\n")},
      {"no final line break", Ansi(L"[Другое]\r\nk=v"),
       Ansi(L"[Другое]\r\nk=v\r\n[options]\r\nFilterType=0\r\nHardwareType=1\r\n")},
      {"keys of a last section without final line break", "[options]\r\nFilterType=5",
       "[options]\r\nFilterType=0\r\nHardwareType=1\r\n"},
      {"empty section followed by blanks", "[options]\r\n\r\n[x]\r\n",
       "[options]\r\nFilterType=0\r\nHardwareType=1\r\n\r\n[x]\r\n"},
      {"a comment before the next section stays with it", "[options]\r\nDebugPrint=1\r\n; next\r\n[x]\r\n",
       "[options]\r\nDebugPrint=1\r\nFilterType=0\r\nHardwareType=1\r\n; next\r\n[x]\r\n"},
      {"line feeds alone: new lines follow the file", "[options]\nFilterType=2\n[x]\ny=1\n",
       "[options]\nFilterType=0\nHardwareType=1\n[x]\ny=1\n"},
      {"the same key in another section is not ours", "[x]\r\nFilterType=2\r\n[options]\r\n",
       "[x]\r\nFilterType=2\r\n[options]\r\nFilterType=0\r\nHardwareType=1\r\n"},
      {"first section and first key win, as for the system",
       "[options]\r\nFilterType=2\r\nFilterType=3\r\n[options]\r\nHardwareType=5\r\n",
       "[options]\r\nFilterType=0\r\nFilterType=3\r\nHardwareType=1\r\n[options]\r\nHardwareType=5\r\n"},
      {"a bare name gets its value", "[options]\r\nFilterType\r\n", "[options]\r\nFilterType=0\r\nHardwareType=1\r\n"},
      {"an empty file", "", "[options]\r\nFilterType=0\r\nHardwareType=1\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFileBytes(File, c.Before);
    TIniFile ini(File);
    EXPECT_EQ(ini.Encoding(), TIniEncoding::Ansi);
    SetInstallKeys(ini);
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(File), c.After);
    EXPECT_EQ(SystemRead(File, L"options", L"FilterType"), L"0");
    EXPECT_EQ(SystemRead(File, L"options", L"HardwareType"), L"1");
    EXPECT_FALSE(TestFileExists(Temporary));
  }
}

TEST_F(IniFileTest, FindsValuesAsTheSystemReaderDoes) {
  WriteFileBytes(File, Ansi(L"top=1\r\n[Общие]\r\nПуть = C:\\Данные \r\n  Имя=\"Пётр Иванов\"\r\nПусто=\r\n"
                            L"Одна='\r\n[options]\r\nFilterType=2\r\n[OPTIONS]\r\nNurseMode=1\r\n"));
  const TIniFile ini(File);
  struct TCase {
    const wchar_t* Section;
    const wchar_t* Key;
    const wchar_t* Expected;
    // Windows compares Cyrillic names without regard to case too; Wine 8 folds only Latin letters.
    bool WineAgrees;
  };
  const TCase cases[] = {
      {L"Общие", L"Путь", L"C:\\Данные", true},     {L"Общие", L"путь", L"C:\\Данные", false},
      {L"ОБЩИЕ", L"Имя", L"Пётр Иванов", false},    {L"Общие", L"Пусто", L"", true},
      {L"Общие", L"Одна", L"'", true},              {L" options ", L" FILTERTYPE ", L"2", true},
      {L"options", L"NurseMode", L"<none>", true},  {L"Нет", L"Путь", L"<none>", true},
      {L"Общие", L"top", L"<none>", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(std::wstring(c.Section) + L"/" + c.Key));
    EXPECT_EQ(ini.ReadString(c.Section, c.Key, L"<none>"), c.Expected);
    if (c.WineAgrees) {
      EXPECT_EQ(SystemRead(File, c.Section, c.Key), c.Expected);
    }
  }
}

TEST_F(IniFileTest, KeepsTheEncodingOfAMarkedFile) {
  // U+263A has no cp1251 character: it survives only if the file stays what it was.
  const std::wstring before = L"[Общие]\r\nИмя=Пётр \u263A\r\n[options]\r\nFilterType=2\r\n";
  const std::wstring after = L"[Общие]\r\nИмя=Пётр \u263A\r\n[options]\r\nFilterType=0\r\nHardwareType=1\r\n";
  for (TIniEncoding encoding : {TIniEncoding::Utf16LE, TIniEncoding::Utf16BE, TIniEncoding::Utf8}) {
    SCOPED_TRACE(static_cast<int>(encoding));
    WriteFileBytes(File, Encoded(encoding, before));
    TIniFile ini(File);
    EXPECT_EQ(ini.Encoding(), encoding);
    SetInstallKeys(ini);
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(File), Encoded(encoding, after));
    EXPECT_EQ(TIniFile(File).ReadString(L"общие", L"имя", L""), L"Пётр \u263A");
  }
  // The one the system reads on every Windows.
  WriteUtf16File(File, before);
  TIniFile ini(File);
  SetInstallKeys(ini);
  ini.UpdateFile();
  EXPECT_EQ(SystemRead(File, L"Общие", L"Имя"), L"Пётр \u263A");
  EXPECT_EQ(SystemRead(File, L"options", L"FilterType"), L"0");
  EXPECT_EQ(SystemRead(File, L"options", L"HardwareType"), L"1");
}

TEST_F(IniFileTest, UntouchedLinesAreNotDecodedAndEncodedAgain) {
  // A cp1251 line pasted into a UTF-8 file is no UTF-8: a trip through text would turn it into U+FFFD.
  const std::string foreign = "\xC8\xEC\xFF=\xCF\xB8\xF2\xF0";
  WriteFileBytes(File, "\xEF\xBB\xBF[options]\r\n" + foreign + "\r\nFilterType=2\r\n");
  TIniFile ini(File);
  SetInstallKeys(ini);
  ini.UpdateFile();
  EXPECT_EQ(ReadFileBytes(File), "\xEF\xBB\xBF[options]\r\n" + foreign + "\r\nFilterType=0\r\nHardwareType=1\r\n");
}

TEST_F(IniFileTest, MissingFileBecomesAnAnsiFile) {
  TIniFile ini(File);
  EXPECT_EQ(ini.ReadString(L"Общие", L"Имя", L"<none>"), L"<none>");
  ini.WriteString(L"Общие", L"Имя", L"Пётр");
  ini.WriteInteger(L"options", L"FilterType", -3);
  ini.UpdateFile();
  EXPECT_EQ(ReadFileBytes(File), Ansi(L"[Общие]\r\nИмя=Пётр\r\n[options]\r\nFilterType=-3\r\n"));
  EXPECT_EQ(SystemRead(File, L"Общие", L"Имя"), L"Пётр");
}

TEST_F(IniFileTest, FailedWriteKeepsTheOldFileAndSaysWhy) {
  const std::string old = "[options]\r\nFilterType=2\r\n";
  struct TCase {
    const char* Name;
    std::wstring Target;
    bool ReadOnly;
    DWORD Code;
  };
  const TCase cases[] = {
      // Intended: the old program could not create over a read-only file either.
      {"read-only file", File, true, ERROR_ACCESS_DENIED},
      {"missing folder", Temp.Path() + L"Нет такой\\rarovu.ini", false, ERROR_PATH_NOT_FOUND},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.ReadOnly) {
      WriteFileBytes(c.Target, old);
      SetFileAttributesW(c.Target.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    TIniFile ini(c.Target);
    SetInstallKeys(ini);
    try {
      ini.UpdateFile();
      ADD_FAILURE() << "no error";
    } catch (const EProgramError& e) {
      EXPECT_EQ(e.Text(), L"Cannot create file \"" + c.Target + L"\". " + SystemText(c.Code));
      EXPECT_EQ(e.SystemCode(), c.Code);
      EXPECT_FALSE(SystemText(c.Code).empty());
    }
    if (c.ReadOnly) {
      EXPECT_EQ(ReadFileBytes(c.Target), old);
    } else {
      EXPECT_FALSE(TestFileExists(c.Target));
    }
    EXPECT_FALSE(TestFileExists(c.Target + L".tmp"));
    SetFileAttributesW(c.Target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(IniFileTest, FileInUseIsNeitherReadAsEmptyNorReplaced) {
  const std::string old = "[Общие]\r\nk=v\r\n";
  WriteFileBytes(File, old);
  {
    const THeldOpen held(File);
    ASSERT_TRUE(held.Held());
    // Starting empty here would write back a file that lost everything else.
    try {
      TIniFile ini(File);
      ADD_FAILURE() << "read a file held open elsewhere";
    } catch (const EProgramError& e) {
      EXPECT_EQ(e.Text().rfind(L"Cannot open file \"" + File + L"\". ", 0), 0u) << e.what();
      EXPECT_EQ(e.SystemCode(), static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_THROW(ReplaceFileAtomically(File, "new"), EProgramError);
  }
  EXPECT_EQ(ReadFileBytes(File), old);
  EXPECT_FALSE(TestFileExists(Temporary));
}

struct TPowerCut {};
std::wstring SeenTemporary;
std::string SeenTarget, SeenTemporaryBytes;
std::wstring CutTarget;

void CutPowerBeforeMove(const std::wstring& TemporaryFile) {
  SeenTemporary = TemporaryFile;
  SeenTemporaryBytes = ReadFileBytes(TemporaryFile);
  SeenTarget = ReadFileBytes(CutTarget);
  throw TPowerCut();
}

TEST_F(IniFileTest, InterruptedWriteLeavesTheOldFileAndTheNextWriteGoesThrough) {
  const std::string old = "[options]\r\nFilterType=2\r\n";
  const std::string updated = "[options]\r\nFilterType=0\r\nHardwareType=1\r\n";
  WriteFileBytes(File, old);
  CutTarget = File;
  {
    const FileWriteSeams::TScopedBeforeMove cut(CutPowerBeforeMove);
    TIniFile ini(File);
    SetInstallKeys(ini);
    EXPECT_THROW(ini.UpdateFile(), TPowerCut);
  }
  // At the cut: the new content complete aside, the old file as it was.
  EXPECT_EQ(SeenTemporary, Temporary);
  EXPECT_EQ(SeenTemporaryBytes, updated);
  EXPECT_EQ(SeenTarget, old);
  EXPECT_EQ(ReadFileBytes(File), old);

  // After the restart the leftover is simply overwritten.
  TIniFile ini(File);
  SetInstallKeys(ini);
  ini.UpdateFile();
  EXPECT_EQ(ReadFileBytes(File), updated);
  EXPECT_FALSE(TestFileExists(Temporary));
}

TEST_F(IniFileTest, StaleTemporaryFileDoesNotBlock) {
  for (DWORD attributes : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY,
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}) {
    SCOPED_TRACE(attributes);
    WriteFileBytes(File, "[x]\r\n");
    WriteFileBytes(Temporary, std::string(5000, 'z'));
    SetFileAttributesW(Temporary.c_str(), attributes);
    TIniFile ini(File);
    SetInstallKeys(ini);
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(File), "[x]\r\n[options]\r\nFilterType=0\r\nHardwareType=1\r\n");
    EXPECT_FALSE(TestFileExists(Temporary));
  }
}

TEST_F(IniFileTest, CreateFileAtomicallyNeverReplaces) {
  EXPECT_TRUE(CreateFileAtomically(File, "first"));
  EXPECT_EQ(ReadFileBytes(File), "first");
  EXPECT_FALSE(CreateFileAtomically(File, "second"));
  EXPECT_EQ(ReadFileBytes(File), "first");
  EXPECT_FALSE(CreateFileAtomically(Temp.Path() + L"Нет такой\\файл.dta", "x"));
  EXPECT_FALSE(TestFileExists(Temporary));
}

}  // namespace
