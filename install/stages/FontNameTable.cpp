#include "FontNameTable.h"

#include <cstdint>
#include <vector>

#ifdef _WIN32
#include "FileOps.h"
#endif

namespace {

// Every read goes through a span that knows its end: an offset or length from the file is checked
// against what is left before it is added to anything, so no sum can wrap around.
class TBytes {
 public:
  TBytes() = default;
  TBytes(const unsigned char* Data, size_t Size) : FData(Data), FSize(Data ? Size : 0) {}

  size_t Size() const { return FSize; }
  bool Has(size_t Offset, size_t Length) const { return Offset <= FSize && Length <= FSize - Offset; }
  // An empty span when the range does not lie inside.
  TBytes Sub(size_t Offset, size_t Length) const {
    return Has(Offset, Length) ? TBytes(FData + Offset, Length) : TBytes();
  }
  // Big-endian fields; the caller has checked the range with Has.
  uint16_t U16(size_t Offset) const { return static_cast<uint16_t>((FData[Offset] << 8) | FData[Offset + 1]); }
  uint32_t U32(size_t Offset) const {
    return (static_cast<uint32_t>(U16(Offset)) << 16) | U16(Offset + 2);
  }

 private:
  const unsigned char* FData = nullptr;
  size_t FSize = 0;
};

constexpr uint32_t Tag(char A, char B, char C, char D) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(A)) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(B)) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(C)) << 8) | static_cast<unsigned char>(D);
}

constexpr uint32_t TrueTypeVersion = 0x00010000;
constexpr uint32_t OpenTypeCffVersion = Tag('O', 'T', 'T', 'O');
constexpr uint32_t AppleTrueTypeVersion = Tag('t', 'r', 'u', 'e');
constexpr uint32_t CollectionTag = Tag('t', 't', 'c', 'f');
constexpr uint32_t NameTableTag = Tag('n', 'a', 'm', 'e');

constexpr size_t OffsetTableSize = 12;
constexpr size_t TableRecordSize = 16;
constexpr size_t CollectionHeaderSize = 16;  // tag, version, font count, first font's offset
constexpr size_t NameHeaderSize = 6;
constexpr size_t NameRecordSize = 12;

constexpr uint16_t PlatformWindows = 3;
constexpr uint16_t EncodingUnicodeBmp = 1;
constexpr uint16_t EncodingUnicodeFull = 10;
constexpr uint16_t NameIdFullName = 4;
constexpr uint16_t LanguageUsEnglish = 0x0409;

// The 'name' table of the font whose offset table starts at FontOffset; table offsets count from the
// start of the file, also inside a collection.
TBytes FindNameTable(const TBytes& File, size_t FontOffset) {
  if (!File.Has(FontOffset, OffsetTableSize)) return TBytes();
  const uint32_t version = File.U32(FontOffset);
  if (version != TrueTypeVersion && version != OpenTypeCffVersion && version != AppleTrueTypeVersion) return TBytes();
  const size_t tableCount = File.U16(FontOffset + 4);
  const size_t directory = FontOffset + OffsetTableSize;
  if (!File.Has(directory, tableCount * TableRecordSize)) return TBytes();
  for (size_t i = 0; i < tableCount; ++i) {
    const size_t record = directory + i * TableRecordSize;
    if (File.U32(record) != NameTableTag) continue;
    return File.Sub(File.U32(record + 8), File.U32(record + 12));
  }
  return TBytes();
}

std::wstring DecodeUtf16BigEndian(const TBytes& Text) {
  std::wstring result;
  result.reserve(Text.Size() / 2);
  for (size_t i = 0; i + 1 < Text.Size(); i += 2) {
    const wchar_t unit = static_cast<wchar_t>(Text.U16(i));
    // A zero would cut the registry value name short anyway; nothing after it is a name.
    if (unit == 0) break;
    result.push_back(unit);
  }
  return result;
}

// The string of a record when the record is one we read and its text lies inside the storage.
bool FullNameText(const TBytes& Table, size_t Record, size_t Storage, TBytes& Text) {
  if (Table.U16(Record) != PlatformWindows || Table.U16(Record + 6) != NameIdFullName) return false;
  const uint16_t encoding = Table.U16(Record + 2);
  if (encoding != EncodingUnicodeBmp && encoding != EncodingUnicodeFull) return false;
  const size_t length = Table.U16(Record + 8);
  const size_t offset = Table.U16(Record + 10);
  // An odd length is no UTF-16 text; an empty one names nothing.
  if (length == 0 || length % 2 != 0) return false;
  const TBytes storage = Table.Sub(Storage, Table.Size() - Storage);
  if (!storage.Has(offset, length)) return false;
  Text = storage.Sub(offset, length);
  return true;
}

std::wstring FullNameFromNameTable(const TBytes& Table) {
  if (!Table.Has(0, NameHeaderSize)) return std::wstring();
  const size_t count = Table.U16(2);
  const size_t storage = Table.U16(4);
  if (!Table.Has(NameHeaderSize, count * NameRecordSize) || storage > Table.Size()) return std::wstring();
  TBytes first, english;
  bool haveFirst = false;
  for (size_t i = 0; i < count; ++i) {
    const size_t record = NameHeaderSize + i * NameRecordSize;
    TBytes text;
    if (!FullNameText(Table, record, storage, text)) continue;
    if (Table.U16(record + 4) == LanguageUsEnglish) {
      english = text;
      break;
    }
    if (!haveFirst) {
      first = text;
      haveFirst = true;
    }
  }
  return DecodeUtf16BigEndian(english.Size() != 0 ? english : first);
}

}  // namespace

std::wstring ReadFontFullName(const unsigned char* Data, size_t Size) {
  const TBytes file(Data, Size);
  if (!file.Has(0, 4)) return std::wstring();
  size_t fontOffset = 0;
  if (file.U32(0) == CollectionTag) {
    if (!file.Has(0, CollectionHeaderSize) || file.U32(8) == 0) return std::wstring();
    fontOffset = file.U32(12);
  }
  // A collection inside a collection is refused by the version check.
  return FullNameFromNameTable(FindNameTable(file, fontOffset));
}

#ifdef _WIN32
std::wstring ReadFontFullNameFromFile(const std::wstring& Path) {
  // The largest font files (CJK collections) stay well below this; anything larger is not ours.
  constexpr unsigned long long MaxFontSize = 64ull * 1024 * 1024;
  std::string bytes;
  if (!ReadWholeFile(Path, bytes, MaxFontSize) || bytes.empty()) return std::wstring();
  return ReadFontFullName(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
#endif
