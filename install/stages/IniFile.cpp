#include "IniFile.h"

#include <windows.h>

#include <algorithm>

#include "Error.h"
#include "FileOps.h"
#include "Paths.h"

namespace {

[[noreturn]] void ThrowFullNameError(const wchar_t* What, const std::wstring& FileName, DWORD Code) {
  ThrowFileError(What, FullPathOf(FileName), Code);
}

// The blanks the system's profile reader skips around names and values (^Z included: old DOS files).
bool IsBlank(unsigned Unit) {
  return Unit == L' ' || Unit == L'\t' || Unit == L'\r' || Unit == L'\n' || Unit == L'\v' || Unit == L'\f' ||
         Unit == 0x1A;
}

std::wstring Trim(const std::wstring& Text) {
  size_t first = 0, last = Text.size();
  while (first < last && IsBlank(Text[first])) ++first;
  while (last > first && IsBlank(Text[last - 1])) --last;
  return Text.substr(first, last - first);
}

bool SameName(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.data(), static_cast<int>(A.size()), B.data(), static_cast<int>(B.size()), TRUE) ==
         CSTR_EQUAL;
}

// One line as the system's profile reader sees it.
struct TParsedLine {
  enum TKind { Blank, Section, Key } Kind = Blank;
  std::wstring Name;
  bool HasValue = false;
  std::wstring Value;
};

TParsedLine Parse(const std::wstring& Line) {
  TParsedLine parsed;
  const std::wstring text = Trim(Line);
  if (text.empty()) return parsed;
  // "[" without a closing "]" makes a key line, as for the system.
  const size_t close = text.rfind(L']');
  if (text[0] == L'[' && close != std::wstring::npos && close > 0) {
    parsed.Kind = TParsedLine::Section;
    parsed.Name = text.substr(1, close - 1);
    return parsed;
  }
  parsed.Kind = TParsedLine::Key;
  const size_t equals = text.find(L'=');
  if (equals == std::wstring::npos) {
    parsed.Name = text;
    return parsed;
  }
  parsed.Name = Trim(text.substr(0, equals));
  parsed.HasValue = true;
  parsed.Value = Trim(text.substr(equals + 1));
  return parsed;
}

size_t UnitSize(TIniEncoding Encoding) {
  return Encoding == TIniEncoding::Utf16LE || Encoding == TIniEncoding::Utf16BE ? 2 : 1;
}

// The code unit at byte offset Offset. In ANSI double-byte code pages "=", "\n" and the blanks are never
// trail bytes, and in UTF-8 never part of a longer sequence, so they can be found byte by byte.
unsigned UnitAt(const std::string& Bytes, size_t Offset, TIniEncoding Encoding) {
  const auto byte = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(Bytes[i])); };
  switch (Encoding) {
    case TIniEncoding::Utf16LE:
      return byte(Offset) | (byte(Offset + 1) << 8);
    case TIniEncoding::Utf16BE:
      return (byte(Offset) << 8) | byte(Offset + 1);
    default:
      return byte(Offset);
  }
}

std::string ByteOrderMark(TIniEncoding Encoding) {
  switch (Encoding) {
    case TIniEncoding::Utf8:
      return "\xEF\xBB\xBF";
    case TIniEncoding::Utf16LE:
      return "\xFF\xFE";
    case TIniEncoding::Utf16BE:
      return "\xFE\xFF";
    default:
      return std::string();
  }
}

}  // namespace

TIniFile::TIniFile(std::wstring FileName) : FFileName(std::move(FileName)) {
  std::string bytes;
  // A file that is not there is an empty one; one that is there but cannot be read is an error.
  const TWholeFileRead read = ReadWholeFile(FFileName, bytes);
  if (read.Outcome == TWholeFileRead::Missing) return;
  if (!read) ThrowFullNameError(L"Cannot open file", FFileName, read.Code);
  for (TIniEncoding encoding : {TIniEncoding::Utf8, TIniEncoding::Utf16LE, TIniEncoding::Utf16BE}) {
    const std::string mark = ByteOrderMark(encoding);
    if (bytes.compare(0, mark.size(), mark) == 0) {
      FEncoding = encoding;
      break;
    }
  }
  const size_t unit = UnitSize(FEncoding);
  size_t start = ByteOrderMark(FEncoding).size();
  while (start < bytes.size()) {
    size_t newline = start;
    while (newline + unit <= bytes.size() && UnitAt(bytes, newline, FEncoding) != L'\n') newline += unit;
    TLine line;
    if (newline + unit > bytes.size()) {
      // The last line without a line break (an odd byte of a UTF-16 file stays with it).
      line.Bytes = bytes.substr(start);
      start = bytes.size();
    } else {
      size_t end = newline;
      if (end >= start + unit && UnitAt(bytes, end - unit, FEncoding) == L'\r') end -= unit;
      line.Bytes = bytes.substr(start, end - start);
      line.Ending = bytes.substr(end, newline + unit - end);
      start = newline + unit;
    }
    line.Text = Decode(line.Bytes);
    FLines.push_back(std::move(line));
  }
}

std::wstring TIniFile::Decode(const std::string& Bytes) const {
  if (Bytes.empty()) return std::wstring();
  if (IsUnicode()) {
    std::wstring text;
    for (size_t i = 0; i + 2 <= Bytes.size(); i += 2) text += static_cast<wchar_t>(UnitAt(Bytes, i, FEncoding));
    return text;
  }
  const UINT codePage = FEncoding == TIniEncoding::Utf8 ? CP_UTF8 : CP_ACP;
  const int size = MultiByteToWideChar(codePage, 0, Bytes.data(), static_cast<int>(Bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, Bytes.data(), static_cast<int>(Bytes.size()), text.data(), size);
  return text;
}

std::string TIniFile::Encode(const std::wstring& Text) const {
  if (Text.empty()) return std::string();
  if (IsUnicode()) {
    std::string bytes;
    for (wchar_t c : Text) {
      const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
      bytes += FEncoding == TIniEncoding::Utf16LE ? low : high;
      bytes += FEncoding == TIniEncoding::Utf16LE ? high : low;
    }
    return bytes;
  }
  const UINT codePage = FEncoding == TIniEncoding::Utf8 ? CP_UTF8 : CP_ACP;
  const int size =
      WideCharToMultiByte(codePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr,
                      nullptr);
  return bytes;
}

std::string TIniFile::DefaultEnding() const {
  for (const TLine& line : FLines) {
    if (!line.Ending.empty()) return line.Ending;
  }
  return Encode(L"\r\n");
}

int TIniFile::FindSection(const std::wstring& Section) const {
  const std::wstring name = Trim(Section);
  for (size_t i = 0; i < FLines.size(); ++i) {
    const TParsedLine parsed = Parse(FLines[i].Text);
    // A nameless section ("[]", or the keys above the first section) is never found.
    if (parsed.Kind == TParsedLine::Section && !parsed.Name.empty() && SameName(parsed.Name, name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TIniFile::FindKey(int SectionLine, const std::wstring& Key) const {
  const std::wstring name = Trim(Key);
  for (size_t i = static_cast<size_t>(SectionLine) + 1; i < FLines.size(); ++i) {
    const TParsedLine parsed = Parse(FLines[i].Text);
    if (parsed.Kind == TParsedLine::Section) break;
    if (parsed.Kind == TParsedLine::Key && SameName(parsed.Name, name)) return static_cast<int>(i);
  }
  return -1;
}

void TIniFile::InsertLine(size_t Index, const std::wstring& Text) {
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(Index), TLine{Encode(Text), DefaultEnding(), Text});
}

std::wstring TIniFile::ReadString(const std::wstring& Section, const std::wstring& Key,
                                  const std::wstring& Default) const {
  const int section = FindSection(Section);
  if (section < 0) return Default;
  const int key = FindKey(section, Key);
  if (key < 0) return Default;
  const TParsedLine parsed = Parse(FLines[static_cast<size_t>(key)].Text);
  if (!parsed.HasValue) return Default;
  const std::wstring& value = parsed.Value;
  if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0]) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

void TIniFile::WriteString(const std::wstring& Section, const std::wstring& Key, const std::wstring& Value) {
  const int section = FindSection(Section);
  if (section < 0) {
    if (!FLines.empty() && FLines.back().Ending.empty()) FLines.back().Ending = DefaultEnding();
    InsertLine(FLines.size(), L"[" + Trim(Section) + L"]");
    InsertLine(FLines.size(), Trim(Key) + L"=" + Value);
    return;
  }

  const int key = FindKey(section, Key);
  if (key >= 0) {
    // Only the value changes: the bytes up to it (the name as spelt, blanks, "=") stay as they were.
    TLine& line = FLines[static_cast<size_t>(key)];
    const size_t unit = UnitSize(FEncoding);
    const size_t units = line.Bytes.size() / unit;
    size_t equals = 0;
    while (equals < units && UnitAt(line.Bytes, equals * unit, FEncoding) != L'=') ++equals;
    std::string prefix;
    if (equals < units) {
      size_t value = equals + 1;
      while (value < units && IsBlank(UnitAt(line.Bytes, value * unit, FEncoding))) ++value;
      prefix = line.Bytes.substr(0, value * unit);
    } else {
      // A bare name: the system finds it but reads no value.
      size_t end = units;
      while (end > 0 && IsBlank(UnitAt(line.Bytes, (end - 1) * unit, FEncoding))) --end;
      prefix = line.Bytes.substr(0, end * unit) + Encode(L"=");
    }
    line.Bytes = prefix + Encode(Value);
    line.Text = Decode(line.Bytes);
    return;
  }

  // After the section's last key: blank lines and comments before the next section stay with it.
  size_t after = static_cast<size_t>(section);
  for (size_t i = after + 1; i < FLines.size(); ++i) {
    const TParsedLine parsed = Parse(FLines[i].Text);
    if (parsed.Kind == TParsedLine::Section) break;
    if (parsed.Kind == TParsedLine::Key && (parsed.Name.empty() || parsed.Name[0] != L';')) after = i;
  }
  if (FLines[after].Ending.empty()) FLines[after].Ending = DefaultEnding();
  InsertLine(after + 1, Trim(Key) + L"=" + Value);
}

void TIniFile::WriteInteger(const std::wstring& Section, const std::wstring& Key, int Value) {
  WriteString(Section, Key, std::to_wstring(Value));
}

void TIniFile::UpdateFile() const {
  std::string bytes = ByteOrderMark(FEncoding);
  for (const TLine& line : FLines) bytes += line.Bytes + line.Ending;
  ReplaceFileAtomically(FFileName, bytes);
}
