#include "Fonts.h"

#include <windows.h>

#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "FontNameTable.h"
#include "RH_Common_Proc.h"
#include "Scoped.h"
#include "SystemError.h"

namespace {

// Letter case as the suite has always shipped them; the registry data carries it.
const wchar_t* const FontList[] = {L"ARIAL.TTF",  L"ARIALN.TTF", L"COUR.TTF",   L"MICROSS.TTF",
                                   L"TAHOMA.TTF", L"TIMES.TTF",  L"verdana.TTF"};

const wchar_t FontsKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// One hung top-level window must not hang the installation with it: each window gets this long.
constexpr UINT FontChangeTimeoutMs = 1000;

// Query type 1: the font's full face name.
constexpr DWORD FontInfoFaceName = 1;
using TGetFontResourceInfoW = BOOL(WINAPI*)(LPCWSTR FontFile, LPDWORD Size, LPVOID Buffer, DWORD QueryType);

// A font file added as a resource of this process; removed again on every way out.
struct TFontResourceTraits {
  using Type = const wchar_t*;
  static Type None() { return nullptr; }
  static bool IsValid(Type Value) { return Value != nullptr; }
  static void Close(Type Value) { RemoveFontResourceW(Value); }
};
using TScopedFontResource = TScoped<TFontResourceTraits>;

// The system's own answer. Not linked: the call is undocumented and a system may lack it.
std::wstring SystemFaceName(const std::wstring& FontFile) {
  const HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
  if (gdi == nullptr) return std::wstring();
  const auto query = reinterpret_cast<TGetFontResourceInfoW>(
      reinterpret_cast<void*>(GetProcAddress(gdi, "GetFontResourceInfoW")));
  if (query == nullptr) return std::wstring();
  // The query answers only for a font the process has added.
  if (AddFontResourceW(FontFile.c_str()) == 0) return std::wstring();
  const TScopedFontResource added(FontFile.c_str());
  // The call may write into the name it is given, so it gets a copy.
  std::vector<wchar_t> name(FontFile.begin(), FontFile.end());
  name.push_back(L'\0');
  DWORD size = 0;
  if (!query(name.data(), &size, nullptr, FontInfoFaceName) || size < sizeof(wchar_t)) return std::wstring();
  // One character more than asked for, all zero: the text ends inside the buffer whatever comes back.
  std::vector<wchar_t> face(size / sizeof(wchar_t) + 1, L'\0');
  if (!query(name.data(), &size, face.data(), FontInfoFaceName)) return std::wstring();
  return std::wstring(face.data());
}

std::wstring NameWithoutExtension(const std::wstring& Path) {
  const size_t start = Path.find_last_of(L"\\/:");
  std::wstring name = start == std::wstring::npos ? Path : Path.substr(start + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot != 0) name.erase(dot);
  return name;
}

// The value is written through a key of our own opening: a key that does not exist or that we may not
// write (no administrator rights) fails the font, and the step, with the reason.
void RegisterFont(const std::wstring& Face, const std::wstring& FileName) {
  const std::wstring valueName = Face + L" (TrueType)";
  const std::wstring keyName = std::wstring(L"HKEY_LOCAL_MACHINE\\") + FontsKeyPath;
  TScopedKey key;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontsKeyPath, 0, KEY_ALL_ACCESS, key.Receive());
  if (result == ERROR_SUCCESS) {
    result = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(FileName.c_str()),
                            static_cast<DWORD>((FileName.size() + 1) * sizeof(wchar_t)));
  }
  if (result != ERROR_SUCCESS) {
    const DWORD code = static_cast<DWORD>(result);
    throw EProgramError(L"Cannot write the registry value \"" + valueName + L"\" in \"" + keyName + L"\". " +
                            SystemErrorText(code),
                        code);
  }
  // Written through now: the installation may end in a restart.
  RegFlushKey(key.Get());
}

void AnnounceFontChange() {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, FontChangeTimeoutMs, &answer);
}

// Other programs see the new font at once; this process does not keep it loaded.
void AnnounceFont(const std::wstring& FontFile) {
  AddFontResourceW(FontFile.c_str());
  AnnounceFontChange();
  RemoveFontResourceW(FontFile.c_str());
  AnnounceFontChange();
}

}  // namespace

unsigned long long FontBytes(const std::wstring& Source) {
  const std::wstring destinationFolder = GetWindowsFolder() + L"fonts\\";
  unsigned long long bytes = 0;
  for (const wchar_t* fileName : FontList) {
    const DWORD attributes = GetFileAttributesW((destinationFolder + fileName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
      bytes += FileBytes(Source + L"fonts\\" + fileName);
  }
  return bytes;
}

void InstallFonts(TInstallContext& Context, const std::wstring& Source) {
  const std::wstring sourceFolder = Source + L"fonts\\";
  const std::wstring destinationFolder = GetWindowsFolder() + L"fonts\\";
  for (const wchar_t* fileName : FontList) InstallFont(Context, sourceFolder, destinationFolder, fileName);
}

void InstallFont(TInstallContext& Context, const std::wstring& SourceFolder, const std::wstring& DestinationFolder,
                 const std::wstring& FileName) {
  const std::wstring destination = DestinationFolder + FileName;
  // Present counts as installed, registered or not.
  const DWORD attributes = GetFileAttributesW(destination.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  // From the source: the destination is not there yet.
  const std::wstring face = GetFontFaceName(SourceFolder + FileName);
  // Moved in whole or not at all: a font cut short by a power cut would count as installed for good.
  CopyNewFileWithDate(SourceFolder + FileName, destination, &Context);
  RegisterFont(face, FileName);
  AnnounceFont(destination);
  // The second letter of the last word is a Latin c: the suite's logs have always read so.
  Context.AddLine(L"Шрифт <" + face + L"> уcтановлен");
}

std::wstring GetFontFaceName(const std::wstring& FontFile) {
  std::wstring face = SystemFaceName(FontFile);
  if (face.empty()) face = ReadFontFullNameFromFile(FontFile);
  // A value named " (TrueType)" would name no font at all.
  if (face.empty()) face = NameWithoutExtension(FontFile);
  return face;
}
