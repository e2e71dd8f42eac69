// The resources as the built program carries them, read from Install.exe itself.
#include <gtest/gtest.h>

#include <richedit.h>
#include <algorithm>
#include <string>
#include <vector>

#include "PngDecoder.h"
#include "RH_Common_Proc.h"
#include "ResourceIds.h"

namespace {

std::wstring InstallExePath() {
  // Wine maps the Unix root to drive Z:.
  std::wstring path = L"Z:";
  for (const char* p = INSTALL_EXE_UNIX_PATH; *p; ++p) path += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

class InstallResources : public ::testing::Test {
 protected:
  static HMODULE Module;
  static void SetUpTestSuite() {
    Module = LoadLibraryExW(InstallExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() { FreeLibrary(Module); }
  void SetUp() override { ASSERT_NE(Module, nullptr) << "cannot open " << InstallExePath().size(); }

  static std::string Resource(const wchar_t* name, const wchar_t* type) {
    HRSRC info = FindResourceW(Module, name, type);
    if (!info) return std::string();
    HGLOBAL data = LoadResource(Module, info);
    const char* bytes = static_cast<const char*>(LockResource(data));
    return std::string(bytes, SizeofResource(Module, info));
  }
  static PngImage Image(const wchar_t* name) {
    const std::string bytes = Resource(name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    return DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
};
HMODULE InstallResources::Module = nullptr;

TEST_F(InstallResources, ProductStringTable) {
  EXPECT_EQ(LoadResString(Module, IDS_APP_FOLDER), L"Zuzavo");
  EXPECT_EQ(LoadResString(Module, IDS_PRODUCT_NAME), L"Ритмон - Vidoze");
  EXPECT_EQ(LoadResString(Module, IDS_PRODUCT_DESCRIPTION),
            L"Комплекс суточного мониторирования электрокардиограмм");

  // The main program and the further program files are bare file names of executables.
  const int count = std::stoi(LoadResString(Module, IDS_PROGRAM_COUNT));
  EXPECT_EQ(count, IDS_LAST_PROGRAM - IDS_MAIN_PROGRAM);
  std::vector<std::wstring> names;
  for (int id = IDS_MAIN_PROGRAM; id <= IDS_LAST_PROGRAM; ++id) {
    const std::wstring name = LoadResString(Module, id);
    EXPECT_GT(name.size(), 4u) << "id " << id;
    EXPECT_EQ(name.find_first_of(L"\\/:"), std::wstring::npos) << "id " << id;
    EXPECT_EQ(name.substr(name.size() - 4), L".exe") << "id " << id;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "program names repeat";
  EXPECT_EQ(LoadResString(Module, IDS_LAST_PROGRAM + 1), L"");
}

TEST_F(InstallResources, VersionInformation) {
  const std::wstring path = InstallExePath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(74, 8));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 3));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(74, 8));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 3));

  struct Translation { WORD Language, CodePage; }* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation->Language, translation->CodePage);
  const struct { const wchar_t* Key; const wchar_t* Value; } values[] = {
      {L"FileDescription", L"Install"}, {L"ProductName", L"Install"},
      {L"FileVersion", L"8.74.3.0"}, {L"ProductVersion", L"8.74.3.0"}};
  for (const auto& v : values) {
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), (std::wstring(prefix) + v.Key).c_str(),
                               reinterpret_cast<void**>(&text), &length)) << v.Key;
    EXPECT_STREQ(text, v.Value) << v.Key;
  }
}

TEST_F(InstallResources, Manifest) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
  const char* required[] = {
      "level=\"asInvoker\"", "true/pm", "PerMonitor", "Microsoft.Windows.Common-Controls",
      "version=\"6.0.0.0\"",
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
  };
  for (const char* text : required) EXPECT_NE(manifest.find(text), std::string::npos) << text;
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
}

TEST_F(InstallResources, ImagesHaveTheirSizesAndTransparency) {
  enum Alpha { Opaque, Transparent };
  const struct { const wchar_t* Name; uint32_t Width, Height; Alpha Kind; } images[] = {
      {L"BACKGROUND", 128, 128, Opaque}, {L"MAIN", 958, 472, Transparent},
      {L"LOGO", 72, 70, Opaque},         {L"TITLE_PNL_L", 22, 100, Transparent},
      {L"TITLE_PNL_R", 22, 100, Transparent}, {L"TITLE_PNL_M", 1, 100, Transparent},
      {L"TITLE", 500, 66, Opaque},
      {L"GLYPH_NEXT", 32, 16, Transparent},   {L"GLYPH_BACK", 32, 16, Transparent},
      {L"GLYPH_CANCEL", 32, 16, Transparent}, {L"GLYPH_EXIT", 32, 16, Transparent},
      {L"GLYPH_INSTALL", 32, 16, Transparent}, {L"GLYPH_FOLDER", 32, 16, Transparent},
      {L"GLYPH_FONT", 32, 16, Transparent},
  };
  for (const auto& expected : images) {
    SCOPED_TRACE(::testing::Message() << "image " << std::string(expected.Name, expected.Name + wcslen(expected.Name)));
    PngImage image;
    ASSERT_NO_THROW(image = Image(expected.Name));
    EXPECT_EQ(image.Width, expected.Width);
    EXPECT_EQ(image.Height, expected.Height);
    const bool anyTransparent = std::any_of(image.Pixels.begin(), image.Pixels.end(),
                                            [](uint32_t p) { return (p >> 24) != 0xFF; });
    EXPECT_EQ(anyTransparent, expected.Kind == Transparent);
  }
}

TEST_F(InstallResources, TitleImageStartsWithThePaneColour) {
  PngImage title = Image(L"TITLE");
  CompositeOverWhite(title);
  ASSERT_FALSE(title.Pixels.empty());
  EXPECT_EQ(title.Pixels[0], 0xFFECECEBu);  // RGB (236, 236, 235)
}

TEST_F(InstallResources, ProgramIconInThreeSizes) {
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(LoadImageW(Module, MAKEINTRESOURCEW(IDI_INSTALL), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

DWORD CALLBACK ReadFromString(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* done) {
  auto* rest = reinterpret_cast<std::string*>(cookie);
  const LONG n = std::min<LONG>(wanted, static_cast<LONG>(rest->size()));
  std::copy(rest->begin(), rest->begin() + n, buffer);
  rest->erase(0, n);
  *done = n;
  return 0;
}

TEST_F(InstallResources, InformationTextArrivesAsCyrillicThroughRichEdit) {
  std::string rtf = Resource(L"INFO", MAKEINTRESOURCEW(10));
  ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u) << "INFO is not an RTF document";
  EXPECT_NE(rtf.find("\\ansicpg1251"), std::string::npos);
  EXPECT_NE(rtf.find("\\fcharset204"), std::string::npos);

  ASSERT_NE(LoadLibraryW(L"riched20.dll"), nullptr);
  HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", ES_MULTILINE | ES_READONLY, 0, 0, 282, 441,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, ReadFromString};
  SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  EXPECT_EQ(stream.dwError, 0u);

  const int length = GetWindowTextLengthW(edit);
  std::wstring text(length + 1, L'\0');
  text.resize(GetWindowTextW(edit, text.data(), length + 1));
  DestroyWindow(edit);

  EXPECT_NE(text.find(L"Ритмон"), std::wstring::npos);
  EXPECT_NE(text.find(L"электрокардиограмм"), std::wstring::npos);
  const auto cyrillic = std::count_if(text.begin(), text.end(),
                                      [](wchar_t c) { return c >= 0x0410 && c <= 0x044F; });
  EXPECT_GT(cyrillic, 100);
  EXPECT_EQ(text.find(L"\\'"), std::wstring::npos) << "escapes came through undecoded";
}

}  // namespace
