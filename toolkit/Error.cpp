#include "Error.h"

#include <windows.h>

EProgramError::EProgramError(std::wstring Text, unsigned long SystemCode)
    : FText(std::move(Text)), FUtf8(ToUtf8(FText)), FSystemCode(SystemCode) {}

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
