#include "ProgramVersion.h"

#include <windows.h>

#include <cstring>

std::wstring ProgramVersion() {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
  if (!found) return std::wstring();
  const DWORD size = SizeofResource(self, found);
  HGLOBAL loaded = LoadResource(self, found);
  const auto* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (!data) return std::wstring();
  // The fixed part follows the "VS_VERSION_INFO" key on a 32-bit boundary and starts with its signature.
  for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, data + at, sizeof(info));
    if (info.dwSignature != 0xFEEF04BD) continue;
    return std::to_wstring(HIWORD(info.dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info.dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info.dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info.dwFileVersionLS));
  }
  return std::wstring();
}
