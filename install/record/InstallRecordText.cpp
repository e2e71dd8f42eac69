#include "InstallRecordText.h"

#include <algorithm>

namespace {

const char Signature[] = "InstallRecord 1";
const char Comment[] =
    "; Файлы и папки, которые программа установки положила в эту папку. Удаление убирает только их.";

// Folding for comparisons only: the names the checks look for are ASCII, and a non-ASCII letter that
// Windows would fold onto one of them is caught later, on the path the file system gives back.
wchar_t AsciiUpper(wchar_t C) { return C >= L'a' && C <= L'z' ? static_cast<wchar_t>(C - L'a' + L'A') : C; }

bool SameAscii(const std::wstring& Text, const wchar_t* Upper) {
  size_t i = 0;
  for (; i < Text.size() && Upper[i] != L'\0'; ++i)
    if (AsciiUpper(Text[i]) != Upper[i]) return false;
  return i == Text.size() && Upper[i] == L'\0';
}

std::wstring FirstComponent(const std::wstring& Path) { return Path.substr(0, Path.find(L'\\')); }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, with or without an extension: Windows opens the
// device instead of a file of that name.
bool IsDeviceName(const std::wstring& Component) {
  const std::wstring base = Component.substr(0, Component.find(L'.'));
  for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (SameAscii(base, name)) return true;
  if (base.size() == 4 && (SameAscii(base.substr(0, 3), L"COM") || SameAscii(base.substr(0, 3), L"LPT")))
    return base[3] >= L'1' && base[3] <= L'9';
  return false;
}

bool IsForbiddenChar(wchar_t C) {
  return C < 0x20 || C == L'<' || C == L'>' || C == L':' || C == L'"' || C == L'/' || C == L'|' || C == L'?' ||
         C == L'*';
}

bool IsDigestText(const std::wstring& Text) {
  if (Text.size() != 64) return false;
  for (wchar_t c : Text)
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  return true;
}

std::wstring FoldedKey(const TRecordEntry& Entry) {
  std::wstring key = Entry.Path;
  for (wchar_t& c : key) c = AsciiUpper(c);
  return key + (Entry.Folder ? L"\\" : L"");
}

}  // namespace

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Characters beyond the basic plane
// become surrogate pairs where wchar_t has 16 bits (Windows).
bool DecodeUtf8(const std::string& Bytes, std::wstring& Text) {
  Text.clear();
  size_t i = 0;
  while (i < Bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(Bytes[i]);
    unsigned long code;
    size_t extra;
    if (lead < 0x80) {
      code = lead;
      extra = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      code = lead & 0x1Fu;
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      code = lead & 0x0Fu;
      extra = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      code = lead & 0x07u;
      extra = 3;
    } else {
      return false;
    }
    if (Bytes.size() - i - 1 < extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(Bytes[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      code -= 0x10000;
      Text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      Text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FFu)));
    } else {
      Text.push_back(static_cast<wchar_t>(code));
    }
    i += extra + 1;
  }
  return true;
}

namespace {

void AppendUtf8(unsigned long Code, std::string& Bytes) {
  if (Code < 0x80) {
    Bytes.push_back(static_cast<char>(Code));
  } else if (Code < 0x800) {
    Bytes.push_back(static_cast<char>(0xC0 | (Code >> 6)));
    Bytes.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else if (Code < 0x10000) {
    Bytes.push_back(static_cast<char>(0xE0 | (Code >> 12)));
    Bytes.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    Bytes.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else {
    Bytes.push_back(static_cast<char>(0xF0 | (Code >> 18)));
    Bytes.push_back(static_cast<char>(0x80 | ((Code >> 12) & 0x3F)));
    Bytes.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    Bytes.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  }
}

}  // namespace

bool NextLine(const std::string& Bytes, size_t& At, std::string& Line) {
  if (At >= Bytes.size()) return false;
  size_t end = Bytes.find('\n', At);
  if (end == std::string::npos) end = Bytes.size();
  Line = Bytes.substr(At, end - At);
  At = end + 1;
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();
  return true;
}

// Only checked paths are written, so every character is a valid one; a lone surrogate (which no checked
// path holds) would come out as U+FFFD.
std::string EncodeUtf8(const std::wstring& Text) {
  std::string bytes;
  for (size_t i = 0; i < Text.size(); ++i) {
    unsigned long code = static_cast<unsigned long>(Text[i]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < Text.size() &&
        Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned long>(Text[i + 1]) - 0xDC00);
      ++i;
    } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(code, bytes);
  }
  return bytes;
}


const char LinkLinePrefix[] = "*DesktopLink\t";

bool CheckLinkPath(const std::wstring& Text, std::wstring& Reason) {
  std::wstring rest;
  if (Text.size() > 3 && AsciiUpper(Text[0]) >= L'A' && AsciiUpper(Text[0]) <= L'Z' && Text[1] == L':' &&
      Text[2] == L'\\') {
    rest = Text.substr(3);
  } else if (Text.size() > 2 && Text[0] == L'\\' && Text[1] == L'\\' && Text[2] != L'?' && Text[2] != L'.') {
    // A desktop redirected to a share.
    rest = Text.substr(2);
  } else {
    Reason = L"путь ярлыка не полный";
    return false;
  }
  std::wstring path;
  bool folder = false;
  if (!CheckRelativePath(rest, L"диска", path, folder, Reason)) return false;
  if (folder || path.size() < 5 || !SameAscii(path.substr(path.size() - 4), L".LNK")) {
    Reason = L"это не файл ярлыка";
    return false;
  }
  return true;
}

bool IsKeptArea(const std::wstring& RelativePath) {
  const std::wstring first = FirstComponent(RelativePath);
  return SameAscii(first, L"DTAFB") || SameAscii(first, L"SETTINGS");
}

bool CheckRelativePath(const std::wstring& Text, const std::wstring& FolderWords, std::wstring& Path, bool& Folder,
                       std::wstring& Reason) {
  Path.clear();
  Folder = false;
  if (Text.size() > MaxRecordedPath) {
    Reason = L"слишком длинный путь";
    return false;
  }
  std::wstring path = Text;
  const bool folder = !path.empty() && path.back() == L'\\';
  if (folder) path.pop_back();
  if (path.empty()) {
    Reason = L"пустой путь";
    return false;
  }
  if (path[0] == L';') {
    Reason = L"имя начинается точкой с запятой, как примечание";
    return false;
  }
  if (path[0] == L'\\' || path[0] == L'/' || (path.size() >= 2 && path[1] == L':')) {
    Reason = L"путь не внутри " + FolderWords + L" (диск, сетевое имя или путь от корня)";
    return false;
  }
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(L'\\', start);
    const std::wstring component = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (component.empty()) {
      Reason = L"пустое имя в пути";
      return false;
    }
    if (component == L"." || component == L"..") {
      Reason = L"путь с \".\" или \"..\" может вести из " + FolderWords;
      return false;
    }
    if (std::any_of(component.begin(), component.end(), IsForbiddenChar)) {
      Reason = L"недопустимый в имени файла символ";
      return false;
    }
    if (component.back() == L'.' || component.back() == L' ') {
      Reason = L"имя оканчивается точкой или пробелом";
      return false;
    }
    if (IsDeviceName(component)) {
      Reason = L"имя устройства Windows";
      return false;
    }
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  Path = path;
  Folder = folder;
  return true;
}

bool CheckRecordedPath(const std::wstring& Text, TRecordEntry& Entry, std::wstring& Reason) {
  Entry = TRecordEntry();
  std::wstring path;
  bool folder = false;
  if (!CheckRelativePath(Text, L"папки установки", path, folder, Reason)) return false;
  if (IsKeptArea(path)) {
    Reason = L"база данных и настройки не удаляются";
    return false;
  }
  Entry.Path = path;
  Entry.Folder = folder;
  return true;
}

std::string FormatInstallRecord(std::vector<TRecordEntry> Entries, const std::vector<std::wstring>& Links) {
  std::stable_sort(Entries.begin(), Entries.end(),
            [](const TRecordEntry& A, const TRecordEntry& B) { return FoldedKey(A) < FoldedKey(B); });
  Entries.erase(std::unique(Entries.begin(), Entries.end(),
                            [](const TRecordEntry& A, const TRecordEntry& B) { return FoldedKey(A) == FoldedKey(B); }),
                Entries.end());
  std::string bytes = "\xEF\xBB\xBF";
  bytes += Signature;
  bytes += "\r\n";
  bytes += Comment;
  bytes += "\r\n";
  for (const TRecordEntry& entry : Entries)
    bytes += EncodeUtf8(entry.Path + (entry.Folder ? L"\\" : entry.Digest.empty() ? L"" : L"\t" + entry.Digest)) + "\r\n";
  std::vector<std::wstring> written;
  for (const std::wstring& link : Links) {
    const bool twin = std::any_of(written.begin(), written.end(), [&link](const std::wstring& Other) {
      return FoldedKey({Other, false, {}}) == FoldedKey({link, false, {}});
    });
    if (twin) continue;
    written.push_back(link);
    bytes += LinkLinePrefix + EncodeUtf8(link) + "\r\n";
  }
  return bytes;
}

TInstallRecordText ParseInstallRecord(const std::string& Bytes) {
  TInstallRecordText record;
  size_t at = Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string line;
  for (size_t number = 1; NextLine(Bytes, at, line); ++number) {
    if (number == 1) {
      record.Signed = line == Signature;
      if (!record.Signed) return record;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    std::wstring text;
    if (!DecodeUtf8(line, text)) {
      record.Problems.push_back({number, L"строка не в кодировке UTF-8"});
      continue;
    }
    if (line.compare(0, sizeof(LinkLinePrefix) - 1, LinkLinePrefix) == 0) {
      const std::wstring link = text.substr(sizeof(LinkLinePrefix) - 1);
      std::wstring reason;
      if (CheckLinkPath(link, reason))
        record.Links.push_back(link);
      else
        record.Problems.push_back({number, reason});
      continue;
    }
    std::wstring digest;
    const size_t tab = text.find(L'\t');
    if (tab != std::wstring::npos) {
      digest = text.substr(tab + 1);
      text.resize(tab);
      if (!IsDigestText(digest) || (!text.empty() && text.back() == L'\\')) {
        record.Problems.push_back({number, L"неверная контрольная сумма файла"});
        continue;
      }
    }
    TRecordEntry entry;
    std::wstring reason;
    if (CheckRecordedPath(text, entry, reason)) {
      entry.Digest = digest;
      record.Entries.push_back(entry);
    } else {
      record.Problems.push_back({number, reason});
    }
  }
  return record;
}
