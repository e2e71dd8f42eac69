#include "SystemError.h"

#include <windows.h>

std::wstring SystemMessage(unsigned long Code) {
  wchar_t text[1024] = {};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0, text,
                     static_cast<DWORD>(sizeof(text) / sizeof(text[0])), nullptr);
  std::wstring result(text, length);
  while (!result.empty() &&
         (result.back() == L' ' || result.back() == L'\r' || result.back() == L'\n' || result.back() == L'.')) {
    result.pop_back();
  }
  return result;
}

std::wstring SystemErrorText(unsigned long Code) {
  const std::wstring message = SystemMessage(Code);
  // An unknown code still tells support staff what happened.
  return message.empty() ? L"Error " + std::to_wstring(Code) : message;
}

std::wstring HexCode(unsigned long Code) {
  wchar_t text[16] = {};
  wsprintfW(text, L"0x%08X", static_cast<unsigned>(Code));
  return text;
}
