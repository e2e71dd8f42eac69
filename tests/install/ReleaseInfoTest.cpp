// "ReleaseInfo": the level set in it and read from it, by the one parser that takes the file as hostile
// input.
#include "ReleaseInfo.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "Error.h"
#include "InstallTestFiles.h"
#include "ReleaseInfoSamples.h"
#include "Scoped.h"
#include "Text.h"

namespace {

const std::wstring ReleaseInfoPrefix = L"Cannot get release information, error: ";

// True when this thread is in no apartment: a different model can then still be entered.
bool ApartmentLeft() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result == S_OK;
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
// The level the entry in Programs and Features shows: the text of ROOT's Level element as the parser
// reads it, so a level in a comment, or where a document type would put one, is never taken.
TEST(RecordedReleaseLevel, IsTheLevelElementsPlainText) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"ReleaseInfo";
  struct {
    const char* Name;
    std::string Bytes;
    std::wstring Level;
  } const cases[] = {
      {"Utf8", "<?xml version=\"1.0\"?>\r\n<ROOT>\r\n  <Version>1</Version>\r\n  <Level>011226</Level>\r\n</ROOT>\r\n",
       L"011226"},
      {"Utf16", Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?><ROOT><Level>150326</Level></ROOT>", true), L"150326"},
      {"AsTheBuilderWritesIt", ReleaseInfoBytes("1", "150326"), L"150326"},
      {"CommentedOutBeforeTheRealOne",
       "<ROOT><!-- <Level>999999</Level> --><Version>1</Version><Level>011226</Level></ROOT>", L"011226"},
      {"OnlyCommentedOut", "<ROOT><Version>1</Version><!--<Level>011226</Level>--></ROOT>", L""},
      {"InADocumentType", "<!DOCTYPE ROOT [<!ENTITY l \"011226\">]><ROOT><Level>&l;</Level></ROOT>", L""},
      {"EmptyLevel", "<ROOT><Level></Level></ROOT>", L""},
      {"NoLevel", "<ROOT><Version>1</Version></ROOT>", L""},
      {"Unclosed", "<ROOT><Level>011226", L""},
      {"MarkupInside", "<ROOT><Level>01<b>1226</b></Level></ROOT>", L""},
      {"TooLong", "<Level>" + std::string(40, '1') + "</Level>", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFileBytes(file, c.Bytes);
    EXPECT_EQ(RecordedReleaseLevel(temp.Path()), c.Level);
    EXPECT_TRUE(ApartmentLeft());
  }
  DeleteFileW(file.c_str());
  EXPECT_EQ(RecordedReleaseLevel(temp.Path()), L"");
}

}  // namespace
