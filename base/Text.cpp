#include "Text.h"

#include <windows.h>

std::string ToUtf8(const std::wstring& Text) {
  if (Text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), result.data(), size, nullptr,
                      nullptr);
  return result;
}

std::wstring FromUtf8(const std::string& Text) {
  if (Text.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), result.data(), size);
  return result;
}

std::wstring TrimBlanks(const std::wstring& Text) {
  size_t first = 0, last = Text.size();
  while (first < last && Text[first] <= L' ') ++first;
  while (last > first && Text[last - 1] <= L' ') --last;
  return Text.substr(first, last - first);
}

std::wstring UpperCase(const std::wstring& Text) {
  if (Text.empty()) return Text;
  std::wstring upper(Text.size(), L'\0');
  const int length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, Text.data(), static_cast<int>(Text.size()),
                                  upper.data(), static_cast<int>(upper.size()));
  upper.resize(static_cast<size_t>(length));
  return upper;
}

bool StartsWithIgnoringCase(const std::wstring& Text, const std::wstring& Prefix) {
  return Text.size() >= Prefix.size() &&
         CompareStringOrdinal(Text.c_str(), static_cast<int>(Prefix.size()), Prefix.c_str(),
                              static_cast<int>(Prefix.size()), TRUE) == CSTR_EQUAL;
}
