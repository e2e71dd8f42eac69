// The distribution's checksum list, read as hostile input: what sha256sum writes is read, anything else is
// a fault of its line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChecksumList.h"

namespace {

const std::string DigestA = "3a6eb0790f39ac87c94f3856b2dd2c5d110e6811602261a9a923d3bb23adc8b7";
const std::string DigestB = "0000000000000000000000000000000000000000000000000000000000000001";

struct TListCase {
  const char* Name;
  std::string Bytes;
  std::vector<std::wstring> Paths;  // read, in order
  std::vector<size_t> ProblemLines;  // the lines found at fault (0: the list as a whole)
};

void PrintTo(const TListCase& Case, std::ostream* Out) { *Out << Case.Name; }

TListCase Read(const char* Name, const std::string& Bytes, std::vector<std::wstring> Paths) {
  return {Name, Bytes, std::move(Paths), {}};
}
TListCase Fault(const char* Name, const std::string& Bytes, std::vector<size_t> Lines,
                std::vector<std::wstring> Paths = {}) {
  return {Name, Bytes, std::move(Paths), std::move(Lines)};
}
std::string Line(const std::string& Path, const std::string& Digest = DigestA) { return Digest + "  " + Path + "\n"; }

class ChecksumListLines : public ::testing::TestWithParam<TListCase> {};

TEST_P(ChecksumListLines, AreReadOrNamedAsFaults) {
  const TListCase& c = GetParam();
  const TChecksumList list = ParseChecksumList(c.Bytes);
  std::vector<std::wstring> paths;
  for (const TChecksumEntry& entry : list.Entries) paths.push_back(entry.Path);
  EXPECT_EQ(paths, c.Paths);
  std::vector<size_t> lines;
  for (const TChecksumProblem& problem : list.Problems) {
    lines.push_back(problem.Line);
    EXPECT_FALSE(problem.Reason.empty());
  }
  EXPECT_EQ(lines, c.ProblemLines);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ChecksumListLines,
    ::testing::Values(
        Read("AsSha256sumWritesIt", Line("Firebird/fbclient.Dll") + Line("Install.exe", DigestB),
             {L"Firebird\\fbclient.Dll", L"Install.exe"}),
        Read("LastLineWithoutItsEnd", Line("a.dll") + DigestB + "  b.dll", {L"a.dll", L"b.dll"}),
        Read("MadeOnWindowsWithMarkAndCrLf", "\xEF\xBB\xBF" + DigestA + "  a.dll\r\n" + DigestB + "  b/c.dll\r\n",
             {L"a.dll", L"b\\c.dll"}),
        Read("CyrillicAndBlanksInUtf8", Line("\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0 1/x y.txt"),
             {L"\x041F\x0430\x043F\x043A\x0430 1\\x y.txt"}),
        Fault("Empty", "", {0}),
        Fault("OnlyTheMark", "\xEF\xBB\xBF", {0}),
        Fault("EmptyLineBetween", Line("a.dll") + "\n" + Line("b.dll"), {2}, {L"a.dll", L"b.dll"}),
        Fault("UpperCaseDigits", Line("a.dll", "3A6EB0790F39AC87C94F3856B2DD2C5D110E6811602261A9A923D3BB23ADC8B7"), {1}),
        Fault("ShortDigest", Line("a.dll", DigestA.substr(1)), {1}),
        Fault("OneBlank", DigestA + " a.dll\n", {1}),
        Fault("BinaryModeStar", DigestA + " *a.dll\n", {1}),
        Read("ThirdBlankBeginsTheName", DigestA + "   a.dll\n", {L" a.dll"}),
        Fault("NoPath", DigestA + "  \n", {1}),
        Fault("UpFromTheRoot", Line("../Windows/system32/x.dll"), {1}),
        Fault("UpInTheMiddle", Line("Firebird/../../x.dll"), {1}),
        Fault("DotFolder", Line("./a.dll"), {1}),
        Fault("Absolute", Line("/etc/passwd"), {1}),
        Fault("Drive", Line("C:/Windows/x.dll"), {1}),
        Fault("DriveRelative", Line("C:x.dll"), {1}),
        Fault("Backslash", Line("Firebird\\fbclient.Dll"), {1}),
        Fault("EscapedSha256sumLine", "\\" + Line("a\\\\b"), {1}),
        Fault("Folder", Line("Firebird/"), {1}),
        Fault("EmptyComponent", Line("Firebird//x.dll"), {1}),
        Fault("DeviceName", Line("Firebird/CON.dll"), {1}),
        Fault("StreamName", Line("a.dll:stream"), {1}),
        Fault("TrailingDotWindowsWouldStrip", Line("a.dll."), {1}),
        Fault("NotUtf8", Line("\xC0\xAF.dll"), {1}),
        Fault("TheListItself", Line("sha256sums"), {1}),
        Fault("SecondLineForOnePath", Line("Firebird/a.dll") + Line("firebird/A.DLL", DigestB), {2},
              {L"Firebird\\a.dll"}),
        Fault("SecondLineCyrillicCase", Line("\xD0\xB0.txt") + Line("\xD0\x90.txt"), {2}, {L"\x0430.txt"}),
        Fault("NulInPath", Line(std::string("a\0b.dll", 7)), {1})));

TEST(ChecksumListDigest, IsReadAsBytesAndWrittenBackAsTheListHasIt) {
  const TChecksumList list = ParseChecksumList(Line("a.dll"));
  ASSERT_EQ(list.Entries.size(), 1u);
  EXPECT_EQ(list.Entries[0].Digest[0], 0x3a);
  EXPECT_EQ(list.Entries[0].Digest[31], 0xb7);
  EXPECT_EQ(DigestHex(list.Entries[0].Digest), std::wstring(DigestA.begin(), DigestA.end()));
  EXPECT_EQ(list.Entries[0].Line, 1u);
}

}  // namespace
