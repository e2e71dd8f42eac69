// The installation record's text: what the uninstall accepts from it as something to remove, read as
// hostile input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstallRecordText.h"

namespace {

std::string Narrow(const std::wstring& Text) {
  std::string s;
  for (wchar_t c : Text) s += c < 0x80 ? static_cast<char>(c) : '?';
  return s;
}

struct TPathCase {
  const char* Name;
  std::wstring Line;
  bool Accepted;
  std::wstring Path;  // when accepted
  bool Folder;
};

void PrintTo(const TPathCase& Case, std::ostream* Out) { *Out << Case.Name; }

TPathCase Yes(const char* Name, const std::wstring& Line, const std::wstring& Path, bool Folder = false) {
  return {Name, Line, true, Path, Folder};
}
TPathCase No(const char* Name, const std::wstring& Line) { return {Name, Line, false, L"", false}; }

class RecordedPath : public ::testing::TestWithParam<TPathCase> {};

TEST_P(RecordedPath, IsAcceptedOnlyInsideTheTargetAndOutsideItsKeptFolders) {
  const TPathCase& c = GetParam();
  TRecordEntry entry{L"stale", true};
  std::wstring reason = L"stale";
  const bool accepted = CheckRecordedPath(c.Line, entry, reason);
  ASSERT_EQ(accepted, c.Accepted) << Narrow(reason);
  if (accepted) {
    EXPECT_EQ(entry.Path, c.Path);
    EXPECT_EQ(entry.Folder, c.Folder);
  } else {
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason, L"stale");
    EXPECT_TRUE(entry.Path.empty()) << "a refused line leaves no path to act on";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordedPath,
    ::testing::Values(
        Yes("PlainFile", L"gds32.dll", L"gds32.dll"),
        Yes("FileInAFolder", L"udf\\fbudf.dll", L"udf\\fbudf.dll"),
        Yes("Folder", L"backup\\L011226\\", L"backup\\L011226", true),
        Yes("CyrillicAndBlanks", L"Папка с пробелами\\файл программы.dll", L"Папка с пробелами\\файл программы.dll"),
        Yes("DotsInsideNames", L"a.b\\..c.d", L"a.b\\..c.d"),
        Yes("NameStartingWithTheKeptFolder", L"DTAfb2\\x.dll", L"DTAfb2\\x.dll"),
        Yes("SettingsFurtherDown", L"backup\\Settings\\x.ini", L"backup\\Settings\\x.ini"),
        Yes("DeviceLikeButLonger", L"CONSOLE.txt", L"CONSOLE.txt"),
        Yes("ComZeroIsNoDevice", L"COM0", L"COM0"),
        No("Empty", L""),
        No("CommentLike", L";gds32.dll"),
        No("OnlyABackslash", L"\\"),
        No("ParentFolder", L"..\\outside.txt"),
        No("ParentInTheMiddle", L"udf\\..\\..\\outside.txt"),
        No("ParentAtTheEnd", L"udf\\.."),
        No("ParentAsFolder", L"..\\"),
        No("CurrentFolder", L".\\gds32.dll"),
        No("ThreeDotsWindowsStrips", L"...\\x"),
        No("TrailingDotWindowsStrips", L"DTAfb.\\R12.FDB"),
        No("TrailingBlankWindowsStrips", L"Settings \\rarovu.ini"),
        No("DriveAbsolute", L"C:\\Windows\\win.ini"),
        No("DriveRelative", L"C:win.ini"),
        No("LowerCaseDrive", L"d:\\x"),
        No("RootedPath", L"\\Windows\\win.ini"),
        No("UncName", L"\\\\server\\share\\file.txt"),
        No("ExtendedPrefix", L"\\\\?\\C:\\Windows\\win.ini"),
        No("DevicePrefix", L"\\\\.\\C:\\x"),
        No("ForwardSlashes", L"../outside.txt"),
        No("ForwardSlashInside", L"udf/fbudf.dll"),
        No("EmptyComponent", L"udf\\\\fbudf.dll"),
        No("TwoTrailingBackslashes", L"udf\\\\"),
        No("StreamName", L"gds32.dll:hidden"),
        No("DataStream", L"gds32.dll::$DATA"),
        No("Wildcard", L"*.dll"),
        No("QuestionMark", L"gds3?.dll"),
        No("Quote", L"a\"b"),
        No("Pipe", L"a|b"),
        No("ControlCharacter", std::wstring(L"a\x01") + L"b"),
        No("NulInside", std::wstring(L"gds32.dll\0x", 11)),
        No("DeviceName", L"NUL"),
        No("DeviceWithExtension", L"con.txt"),
        No("DeviceInAFolder", L"udf\\COM1"),
        No("DeviceConin", L"CONIN$"),
        No("Database", L"DTAfb\\R12.FDB"),
        No("DatabaseFolder", L"DTAfb\\"),
        No("DatabaseOtherCase", L"dtafb\\r12.fdb"),
        No("DatabaseFolderItself", L"DTAfb"),
        No("Settings", L"Settings\\rarovu.ini"),
        No("SettingsUpperCase", L"SETTINGS\\install.log"),
        No("SettingsFolder", L"settings\\"),
        No("TheRecordItself", L"Settings\\install-record.txt"),
        No("TooLong", std::wstring(MaxRecordedPath + 1, L'a'))),
    [](const ::testing::TestParamInfo<TPathCase>& Info) { return std::string(Info.param.Name); });

TEST(InstallRecordText, WritesSortedEntriesOnceAndReadsThemBack) {
  const std::vector<TRecordEntry> entries = {
      {L"udf\\fbudf.dll", false}, {L"udf", true}, {L"gds32.dll", false}, {L"UDF\\FBUDF.DLL", false},
      {L"Папка\\файл.dll", false}, {L"backup\\L011226", true}, {L"udf", true}};
  const std::string text = FormatInstallRecord(entries);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "InstallRecord 1\r\n;", 0), 0u) << "mark, signature, then a comment";
  EXPECT_NE(text.find("\r\nbackup\\L011226\\\r\n"), std::string::npos) << "a folder ends with a backslash";
  EXPECT_NE(text.find("\r\n\xD0\x9F"), std::string::npos) << "UTF-8";
  const TInstallRecordText read = ParseInstallRecord(text);
  ASSERT_TRUE(read.Signed);
  EXPECT_TRUE(read.Problems.empty());
  std::vector<std::wstring> lines;
  for (const TRecordEntry& entry : read.Entries) lines.push_back(entry.Path + (entry.Folder ? L"\\" : L""));
  // Letter case aside, the same name once.
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"backup\\L011226\\", L"gds32.dll", L"udf\\", L"udf\\fbudf.dll",
                                               L"Папка\\файл.dll"}));
}

TEST(InstallRecordText, LeavesOutWhatItCannotTrustAndSaysWhichLine) {
  const std::string text = std::string("InstallRecord 1\n") +  // no byte-order mark, LF line ends
                           "gds32.dll\r\n"
                           "\r\n"                               // 3: empty, skipped
                           "; a comment\r\n"                    // 4
                           "..\\outside.txt\r\n"                // 5
                           "bad \xC3\x28 utf8\r\n"              // 6: broken sequence
                           "overlong \xC0\xAF\r\n"              // 7: "/" written long
                           "surrogate \xED\xA0\x80\r\n"         // 8
                           "C:\\Windows\\win.ini\r\n"           // 9
                           "DTAfb\\R12.FDB\r\n"                 // 10
                           "\xF0\x9F\x98\x80.txt\r\n"           // 11: beyond the basic plane: fine
                           "udf\\fbudf.dll";                    // 12: no line end at the end
  const TInstallRecordText read = ParseInstallRecord(text);
  ASSERT_TRUE(read.Signed);
  std::vector<size_t> problemLines;
  for (const TRecordProblem& problem : read.Problems) problemLines.push_back(problem.Line);
  EXPECT_EQ(problemLines, (std::vector<size_t>{5, 6, 7, 8, 9, 10}));
  ASSERT_EQ(read.Entries.size(), 3u);
  EXPECT_EQ(read.Entries[0].Path, L"gds32.dll");
  EXPECT_EQ(read.Entries[1].Path.size(), sizeof(wchar_t) == 2 ? 6u : 5u);
  EXPECT_EQ(read.Entries[2].Path, L"udf\\fbudf.dll");
}

TEST(InstallRecordText, WithoutItsSignatureNothingIsRead) {
  for (const std::string& text : {std::string(), std::string("gds32.dll\r\nudf\\x.dll\r\n"),
                                  std::string("\xEF\xBB\xBFInstallRecord 2\r\ngds32.dll\r\n"),
                                  std::string(" InstallRecord 1\r\ngds32.dll\r\n"),
                                  std::string("\xFF\xFEI\0n\0", 6), std::string(1000, '\0')}) {
    const TInstallRecordText read = ParseInstallRecord(text);
    EXPECT_FALSE(read.Signed);
    EXPECT_TRUE(read.Entries.empty());
  }
}

}  // namespace

// Desktop links lie outside the target: the record names them by their full path on a line of their own,
// and a path that is not a full one to a link file is left out, as a bad file path is.
TEST(InstallRecordText, DesktopLinksAreReadBackOnlyAsFullPathsToLinkFiles) {
  struct TCase {
    const char* Name;
    std::wstring Path;
    bool Kept;
  };
  const TCase cases[] = {
      {"CommonDesktop", L"C:\\Users\\Public\\Desktop\\Ритмон - Vidoze.lnk", true},
      {"RedirectedToAShare", L"\\\\server\\profiles\\Иванов\\Desktop\\Ритмон - Vidoze.lnk", true},
      {"UpperCaseExtension", L"D:\\Рабочий стол\\Ритмон.LNK", true},
      {"Relative", L"Desktop\\Ритмон.lnk", false},
      {"DriveRelative", L"C:Ритмон.lnk", false},
      {"LongForm", L"\\\\?\\C:\\Users\\Public\\Desktop\\Ритмон.lnk", false},
      {"Device", L"\\\\.\\C:\\Ритмон.lnk", false},
      {"DotDot", L"C:\\Users\\Public\\Desktop\\..\\..\\Windows\\x.lnk", false},
      {"NotALink", L"C:\\Windows\\System32\\kernel32.dll", false},
      {"Stream", L"C:\\Users\\Public\\Desktop\\x.lnk:stream", false},
      {"Folder", L"C:\\Users\\Public\\Desktop\\x.lnk\\", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string text =
        "InstallRecord 1\r\ngds32.dll\r\n" + std::string(LinkLinePrefix) + EncodeUtf8(c.Path) + "\r\n";
    const TInstallRecordText read = ParseInstallRecord(text);
    ASSERT_EQ(read.Entries.size(), 1u);
    if (c.Kept) {
      EXPECT_EQ(read.Links, std::vector<std::wstring>{c.Path});
      EXPECT_TRUE(read.Problems.empty());
    } else {
      EXPECT_TRUE(read.Links.empty());
      ASSERT_EQ(read.Problems.size(), 1u);
      EXPECT_EQ(read.Problems[0].Line, 3u);
    }
  }
}

TEST(InstallRecordText, DesktopLinksAreWrittenOnceAfterTheFiles) {
  const std::wstring common = L"C:\\Users\\Public\\Desktop\\Ритмон - Vidoze.lnk";
  const std::wstring own = L"C:\\users\\Оператор\\Desktop\\Ритмон - Vidoze.lnk";
  const std::string text = FormatInstallRecord({{L"gds32.dll", false}}, {common, own, L"c:\\USERS\\public\\DESKTOP\\Ритмон - VIDOZE.lnk"});
  EXPECT_NE(text.find("gds32.dll\r\n" + std::string(LinkLinePrefix) + EncodeUtf8(common) + "\r\n"), std::string::npos);
  const TInstallRecordText read = ParseInstallRecord(text);
  EXPECT_TRUE(read.Problems.empty());
  EXPECT_EQ(read.Links, (std::vector<std::wstring>{common, own}));
}
