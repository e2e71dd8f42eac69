#include "ChecksumList.h"

#include <map>

#include "InstallRecordText.h"

const wchar_t* const ChecksumListName = L"SHA256SUMS";

namespace {

constexpr size_t DigestDigits = 64;

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

wchar_t FoldedChar(wchar_t C) {
  if (C >= L'a' && C <= L'z') return static_cast<wchar_t>(C - L'a' + L'A');
  if (C >= 0x0430 && C <= 0x044F) return static_cast<wchar_t>(C - 0x20);  // а..я
  if (C >= 0x0450 && C <= 0x045F) return static_cast<wchar_t>(C - 0x50);  // ѐ..џ, ё among them
  return C;
}

// One line's entry, or false with the reason.
bool ParseLine(const std::string& Line, TChecksumEntry& Entry, std::wstring& Reason) {
  if (Line.empty()) {
    Reason = L"пустая строка";
    return false;
  }
  if (Line.size() < DigestDigits + 3 || Line.compare(DigestDigits, 2, "  ") != 0) {
    Reason = L"не в виде <64 шестнадцатеричные цифры><два пробела><путь>";
    return false;
  }
  for (size_t i = 0; i < DigestDigits; i += 2) {
    const int high = HexValue(Line[i]), low = HexValue(Line[i + 1]);
    if (high < 0 || low < 0) {
      Reason = L"контрольная сумма не из 64 строчных шестнадцатеричных цифр";
      return false;
    }
    Entry.Digest[i / 2] = static_cast<unsigned char>(high * 16 + low);
  }
  std::wstring text;
  if (!DecodeUtf8(Line.substr(DigestDigits + 2), text)) {
    Reason = L"путь не в кодировке UTF-8";
    return false;
  }
  if (text.find(L'\\') != std::wstring::npos) {
    Reason = L"обратная косая черта в пути (папки разделяет \"/\")";
    return false;
  }
  for (wchar_t& c : text)
    if (c == L'/') c = L'\\';
  bool folder = false;
  if (!CheckRelativePath(text, L"папки дистрибутива", Entry.Path, folder, Reason)) return false;
  if (folder) {
    Reason = L"путь называет папку, а не файл";
    return false;
  }
  if (FoldedPath(Entry.Path) == FoldedPath(ChecksumListName)) {
    Reason = L"список не может содержать сам себя";
    return false;
  }
  return true;
}

}  // namespace

std::wstring FoldedPath(const std::wstring& Path) {
  std::wstring key = Path;
  for (wchar_t& c : key) c = FoldedChar(c);
  return key;
}

std::wstring DigestHex(const TSha256Digest& Digest) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring text;
  for (unsigned char byte : Digest) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 15]);
  }
  return text;
}

TChecksumList ParseChecksumList(const std::string& Bytes) {
  TChecksumList list;
  std::map<std::wstring, size_t> seen;
  const size_t begin = Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  if (Bytes.size() == begin) list.Problems.push_back({0, L"список пуст"});
  size_t at = begin;
  std::string line;
  for (size_t number = 1; NextLine(Bytes, at, line); ++number) {
    TChecksumEntry entry;
    entry.Line = number;
    std::wstring reason;
    if (!ParseLine(line, entry, reason)) {
      list.Problems.push_back({number, reason});
      continue;
    }
    const auto inserted = seen.emplace(FoldedPath(entry.Path), number);
    if (!inserted.second) {
      list.Problems.push_back({number, L"второй раз тот же файл (первый раз в строке " +
                                           std::to_wstring(inserted.first->second) + L")"});
      continue;
    }
    list.Entries.push_back(std::move(entry));
  }
  return list;
}
