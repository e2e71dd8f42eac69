#include "FontNameTable.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "Error.h"
#include "InstallTestFiles.h"

namespace {

// The bytes at the very end of committed memory, right before a page nobody may touch: a read past
// the end crashes the test instead of passing by luck.
class TGuardedBytes {
 public:
  explicit TGuardedBytes(const std::string& Bytes) {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t dataPages = (Bytes.size() + page - 1) / page;
    FBase = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (FBase == nullptr) throw std::runtime_error("no memory for the guarded bytes");
    DWORD old = 0;
    VirtualProtect(FBase + dataPages * page, page, PAGE_NOACCESS, &old);
    FData = FBase + dataPages * page - Bytes.size();
    if (!Bytes.empty()) std::memcpy(FData, Bytes.data(), Bytes.size());
    FSize = Bytes.size();
  }
  ~TGuardedBytes() { VirtualFree(FBase, 0, MEM_RELEASE); }
  TGuardedBytes(const TGuardedBytes&) = delete;
  TGuardedBytes& operator=(const TGuardedBytes&) = delete;
  std::wstring FullName() const { return ReadFontFullName(FData, FSize); }

 private:
  unsigned char* FBase = nullptr;
  unsigned char* FData = nullptr;
  size_t FSize = 0;
};

std::wstring ReadGuarded(const std::string& Bytes) { return TGuardedBytes(Bytes).FullName(); }

void Put16(std::string& Bytes, size_t Offset, uint32_t Value) {
  Bytes.at(Offset) = static_cast<char>(Value >> 8);
  Bytes.at(Offset + 1) = static_cast<char>(Value);
}
void Put32(std::string& Bytes, size_t Offset, uint32_t Value) {
  Put16(Bytes, Offset, Value >> 16);
  Put16(Bytes, Offset + 2, Value & 0xFFFF);
}
uint32_t Tag(const char* Text) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(Text[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(Text[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(Text[2])) << 8) | static_cast<unsigned char>(Text[3]);
}

struct TName {
  uint16_t Platform, Encoding, Language, NameId;
  std::wstring Text;
};
const uint16_t Windows = 3, Bmp = 1, Full = 10, English = 0x0409, Russian = 0x0419, FullName = 4;

// A font of two tables, a small 'cmap' first and the 'name' table after it, so the reader has to look
// through the directory. Base: where the font starts inside a collection (table offsets count from the
// start of the file).
const size_t DirectoryOffset = 12;
const size_t NameDirectoryRecord = DirectoryOffset + 16;  // the second record
const size_t NameTableInFont = DirectoryOffset + 2 * 16 + 4;
std::string BuildFont(const std::vector<TName>& Names, uint32_t Version = 0x00010000, uint32_t Base = 0) {
  std::string storage;
  std::string records(Names.size() * 12, '\0');
  for (size_t i = 0; i < Names.size(); ++i) {
    const TName& name = Names[i];
    const size_t offset = storage.size();
    for (wchar_t unit : name.Text) {
      storage.push_back(static_cast<char>(unit >> 8));
      storage.push_back(static_cast<char>(unit & 0xFF));
    }
    const size_t record = i * 12;
    Put16(records, record, name.Platform);
    Put16(records, record + 2, name.Encoding);
    Put16(records, record + 4, name.Language);
    Put16(records, record + 6, name.NameId);
    Put16(records, record + 8, static_cast<uint32_t>(storage.size() - offset));
    Put16(records, record + 10, static_cast<uint32_t>(offset));
  }
  std::string table(6, '\0');
  Put16(table, 2, static_cast<uint32_t>(Names.size()));
  Put16(table, 4, static_cast<uint32_t>(6 + records.size()));
  table += records + storage;

  std::string font(NameTableInFont, '\0');
  Put32(font, 0, Version);
  Put16(font, 4, 2);
  Put32(font, DirectoryOffset, Tag("cmap"));
  Put32(font, DirectoryOffset + 8, Base + NameTableInFont - 4);
  Put32(font, DirectoryOffset + 12, 4);
  Put32(font, NameDirectoryRecord, Tag("name"));
  Put32(font, NameDirectoryRecord + 8, static_cast<uint32_t>(Base + NameTableInFont));
  Put32(font, NameDirectoryRecord + 12, static_cast<uint32_t>(table.size()));
  return font + table;
}

// A collection of the fonts given, each built for its place in the file.
std::string BuildCollection(const std::vector<std::vector<TName>>& Fonts) {
  std::string header(12 + 4 * Fonts.size(), '\0');
  Put32(header, 0, Tag("ttcf"));
  Put32(header, 4, 0x00010000);
  Put32(header, 8, static_cast<uint32_t>(Fonts.size()));
  std::string body;
  for (size_t i = 0; i < Fonts.size(); ++i) {
    const uint32_t base = static_cast<uint32_t>(header.size() + body.size());
    Put32(header, 12 + 4 * i, base);
    body += BuildFont(Fonts[i], 0x00010000, base);
  }
  return header + body;
}

const std::vector<TName> OneName = {{Windows, Bmp, English, FullName, L"Проба Sans"}};
// Where the fields of the only name record of OneName lie.
const size_t NameHeader = NameTableInFont;
const size_t NameRecord = NameTableInFont + 6;
const size_t NameLength = 2 * std::wstring(L"Проба Sans").size();

TEST(FontNameTable, ReadsTheWindowsFullNameOfSyntheticFonts) {
  struct TCase {
    const char* What;
    std::string Bytes;
    std::wstring Expected;
  };
  const std::vector<TCase> cases = {
      {"one record", BuildFont(OneName), L"Проба Sans"},
      {"US English preferred to an earlier language",
       BuildFont({{Windows, Bmp, Russian, FullName, L"Русское имя"}, {Windows, Bmp, English, FullName, L"English"}}),
       L"English"},
      {"without US English the first record",
       BuildFont({{Windows, Bmp, Russian, FullName, L"Русское имя"}, {Windows, Bmp, 0x0407, FullName, L"Deutsch"}}),
       L"Русское имя"},
      {"full-repertoire encoding", BuildFont({{Windows, Full, English, FullName, L"Full Repertoire"}}),
       L"Full Repertoire"},
      {"other platforms, encodings and name ids ignored",
       BuildFont({{1, 0, 0, FullName, L"Mac"},
                  {0, 3, 0, FullName, L"Unicode"},
                  {Windows, 0, English, FullName, L"Symbol"},
                  {Windows, Bmp, English, 1, L"Family"},
                  {Windows, Bmp, Russian, FullName, L"Windows"}}),
       L"Windows"},
      {"surrogate pair kept", BuildFont({{Windows, Full, English, FullName, L"Emoji \xD83D\xDE00"}}),
       L"Emoji \xD83D\xDE00"},
      {"text ends at a zero", BuildFont({{Windows, Bmp, English, FullName, std::wstring(L"Name\0Junk", 9)}}), L"Name"},
      {"CFF outlines", BuildFont(OneName, Tag("OTTO")), L"Проба Sans"},
      {"Apple TrueType", BuildFont(OneName, Tag("true")), L"Проба Sans"},
      {"collection gives its first font",
       BuildCollection({{{Windows, Bmp, English, FullName, L"First"}}, {{Windows, Bmp, English, FullName, L"Second"}}}),
       L"First"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(ReadGuarded(c.Bytes), c.Expected);
  }
}

TEST(FontNameTable, BrokenInputsGiveAnEmptyName) {
  const std::string font = BuildFont(OneName);
  const size_t nameSize = font.size() - NameTableInFont;
  struct TCase {
    const char* What;
    std::function<void(std::string&)> Break;
  };
  const std::vector<TCase> cases = {
      {"empty", [](std::string& b) { b.clear(); }},
      {"offset table cut", [](std::string& b) { b.resize(11); }},
      {"unknown version", [](std::string& b) { Put32(b, 0, Tag("abcd")); }},
      {"table count past the end", [](std::string& b) { Put16(b, 4, 0xFFFF); }},
      {"no name table", [](std::string& b) { Put32(b, NameDirectoryRecord, Tag("nama")); }},
      {"name table offset past the end",
       [](std::string& b) { Put32(b, NameDirectoryRecord + 8, static_cast<uint32_t>(b.size() + 1)); }},
      {"name table length past the end",
       [nameSize](std::string& b) { Put32(b, NameDirectoryRecord + 12, static_cast<uint32_t>(nameSize + 1)); }},
      {"name table range wraps around",
       [](std::string& b) {
         Put32(b, NameDirectoryRecord + 8, 0xFFFFFFF0u);
         Put32(b, NameDirectoryRecord + 12, 0x20);
       }},
      {"name table shorter than its header", [](std::string& b) { Put32(b, NameDirectoryRecord + 12, 4); }},
      {"record count past the table", [](std::string& b) { Put16(b, NameHeader + 2, 1000); }},
      {"zero records", [](std::string& b) { Put16(b, NameHeader + 2, 0); }},
      {"storage offset past the table", [](std::string& b) { Put16(b, NameHeader + 4, 0xFFFF); }},
      {"storage offset plus string offset past the table",
       [nameSize](std::string& b) { Put16(b, NameHeader + 4, static_cast<uint32_t>(nameSize - 2)); }},
      {"string offset past the storage", [](std::string& b) { Put16(b, NameRecord + 10, 0xFFF0); }},
      {"string length past the storage",
       [](std::string& b) { Put16(b, NameRecord + 8, static_cast<uint32_t>(NameLength + 2)); }},
      {"string length and offset past the storage together",
       [](std::string& b) {
         Put16(b, NameRecord + 8, 0xFFFF);
         Put16(b, NameRecord + 10, 0xFFFF);
       }},
      {"odd string length", [](std::string& b) { Put16(b, NameRecord + 8, static_cast<uint32_t>(NameLength - 1)); }},
      {"zero string length", [](std::string& b) { Put16(b, NameRecord + 8, 0); }},
      {"name is only the family", [](std::string& b) { Put16(b, NameRecord + 6, 1); }},
      {"collection header cut", [](std::string& b) { b = BuildCollection({OneName}).substr(0, 14); }},
      {"collection of no fonts",
       [](std::string& b) {
         b = BuildCollection({OneName});
         Put32(b, 8, 0);
       }},
      {"collection's first font past the end",
       [](std::string& b) {
         b = BuildCollection({OneName});
         Put32(b, 12, static_cast<uint32_t>(b.size()));
       }},
      {"collection's first font far past the end",
       [](std::string& b) {
         b = BuildCollection({OneName});
         Put32(b, 12, 0xFFFFFFFCu);
       }},
      {"collection pointing at itself",
       [](std::string& b) {
         b = BuildCollection({OneName});
         Put32(b, 12, 0);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    std::string bytes = font;
    c.Break(bytes);
    EXPECT_EQ(ReadGuarded(bytes), L"");
  }
  EXPECT_EQ(ReadFontFullName(nullptr, 100), L"");
}

// Every cut and every single damaged byte: no read outside the bytes (the guard page would end the
// test), and a collection cut inside its first font never yields a name.
TEST(FontNameTable, CutOrDamagedFontsNeverReadOutside) {
  const std::string font = BuildCollection({OneName, OneName});
  const size_t firstFontEnd = 12 + 2 * 4 + BuildFont(OneName).size();
  ASSERT_EQ(ReadGuarded(font), L"Проба Sans");
  for (size_t size = 0; size < font.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_EQ(ReadGuarded(font.substr(0, size)), size < firstFontEnd ? L"" : L"Проба Sans");
  }
  for (size_t at = 0; at < font.size(); ++at) {
    for (const char value : {'\x00', '\x7F', '\xFF'}) {
      std::string bytes = font;
      bytes[at] = value;
      ReadGuarded(bytes);
    }
  }
}

// Fonts as they ship: Wine's own in the prefix and Debian's free fonts that the sample distribution
// carries under the suite's names.
TEST(FontNameTable, ReadsRealFontFiles) {
  struct TCase {
    const wchar_t* Path;
    const wchar_t* Expected;
  };
  const TCase cases[] = {
      {L"C:\\windows\\Fonts\\tahoma.ttf", L"Tahoma"},
      {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSans-Regular.ttf", L"Liberation Sans"},
      {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSansNarrow-Regular.ttf", L"Liberation Sans Narrow"},
      {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationMono-Regular.ttf", L"Liberation Mono"},
      {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSerif-Regular.ttf", L"Liberation Serif"},
      {L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf", L"DejaVu Sans"},
      {L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSansCondensed.ttf", L"DejaVu Sans Condensed"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Path));
    ASSERT_TRUE(TestFileExists(c.Path)) << "fonts-wine, fonts-liberation and fonts-dejavu-core are needed";
    EXPECT_EQ(ReadFontFullNameFromFile(c.Path), c.Expected);
    EXPECT_EQ(ReadGuarded(ReadFileBytes(c.Path)), c.Expected);
  }
}

TEST(FontNameTable, FileReaderTakesCyrillicPathsAndRefusesWhatIsNoFont) {
  TTempFolder temp;
  const std::wstring font = temp.Path() + L"Шрифт с пробелами.ttf";
  ASSERT_TRUE(CopyFileW(L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationMono-Regular.ttf", font.c_str(), TRUE));
  EXPECT_EQ(ReadFontFullNameFromFile(font), L"Liberation Mono");

  const std::wstring text = temp.Path() + L"Не шрифт.ttf";
  WriteFileBytes(text, std::string("\0\1\0\0", 4) + " not a font at all");
  EXPECT_EQ(ReadFontFullNameFromFile(text), L"");
  WriteFileBytes(text, "");
  EXPECT_EQ(ReadFontFullNameFromFile(text), L"");
  EXPECT_EQ(ReadFontFullNameFromFile(temp.Path() + L"Нет такого.ttf"), L"");
  EXPECT_EQ(ReadFontFullNameFromFile(temp.Path()), L"");
}

}  // namespace
