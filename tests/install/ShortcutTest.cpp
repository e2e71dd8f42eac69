#include "Shortcut.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "InstallTestFiles.h"
#include "RecordingContext.h"
#include "Scoped.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* const ShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t* const GrpConvKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv";
const wchar_t* const MapGroupsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

bool KeyExists(const wchar_t* Key) {
  TScopedKey key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, Key, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

void SetStringValue(const wchar_t* Key, const wchar_t* Name, const std::wstring& Text) {
  TScopedKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key.Get(), Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Text.c_str()),
                 static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)));
}

void DeleteValue(const wchar_t* Key, const wchar_t* Name) {
  TScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Key, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS) {
    RegDeleteValueW(key.Get(), Name);
  }
}

// Puts a value of the prefix's registry back as it was when the test ends: its data, or its absence, and
// the absence of the keys made for it.
class TSavedValue {
 public:
  TSavedValue(const wchar_t* Key, const wchar_t* Name) : FKey(Key), FName(Name) {
    const std::wstring key = Key;
    for (size_t end = key.find(L'\\'); FMissingKey.empty(); end = key.find(L'\\', end + 1)) {
      const std::wstring part = key.substr(0, end);
      if (!KeyExists(part.c_str())) FMissingKey = part;
      if (end == std::wstring::npos) break;
    }
    TScopedKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key, 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExW(opened.Get(), Name, nullptr, &FType, nullptr, &size) != ERROR_SUCCESS) return;
    FData.resize(size);
    FExisted = RegQueryValueExW(opened.Get(), Name, nullptr, &FType, FData.data(), &size) == ERROR_SUCCESS;
  }
  ~TSavedValue() {
    if (!FMissingKey.empty()) {
      RegDeleteTreeW(HKEY_CURRENT_USER, FMissingKey.c_str());
    } else if (!FExisted) {
      DeleteValue(FKey, FName);
    } else {
      TScopedKey key;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, FKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS) {
        RegSetValueExW(key.Get(), FName, 0, FType, FData.data(), static_cast<DWORD>(FData.size()));
      }
    }
  }
  TSavedValue(const TSavedValue&) = delete;
  TSavedValue& operator=(const TSavedValue&) = delete;

 private:
  const wchar_t* FKey;
  const wchar_t* FName;
  std::wstring FMissingKey;  // the outermost key that was not there
  bool FExisted = false;
  DWORD FType = REG_SZ;
  std::vector<BYTE> FData;
};

struct TLinkContent {
  std::wstring Path, Arguments, Description, WorkingDir;
};

// The link as the shell reads it back.
TLinkContent ReadLink(const std::wstring& LinkPath) {
  const TComApartment apartment;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  TLinkContent content;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(LinkPath.c_str(), STGM_READ))) {
    ADD_FAILURE() << "cannot read the link " << ToUtf8(LinkPath);
    return content;
  }
  wchar_t text[1024] = {};
  link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
  content.Path = text;
  text[0] = L'\0';
  link->GetArguments(text, 1024);
  content.Arguments = text;
  text[0] = L'\0';
  link->GetDescription(text, 1024);
  content.Description = text;
  text[0] = L'\0';
  link->GetWorkingDirectory(text, 1024);
  content.WorkingDir = text;
  return content;
}

void ExpectLink(const std::wstring& LinkPath, const TLinkContent& Expected) {
  ASSERT_TRUE(TestFileExists(LinkPath)) << ToUtf8(LinkPath);
  const TLinkContent content = ReadLink(LinkPath);
  EXPECT_EQ(content.Path, Expected.Path);
  EXPECT_EQ(content.Arguments, Expected.Arguments);
  EXPECT_EQ(content.Description, Expected.Description);
  EXPECT_EQ(content.WorkingDir, Expected.WorkingDir);
}

// True when this thread is in no apartment: a different model can then still be entered.
bool ApartmentLeft() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result == S_OK;
}

std::wstring ShellFolder(int Csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, Csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// The user's folders pointed at temporary ones, and a program to link to; everything in a folder with
// Cyrillic names and blanks.
class TShortcutTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  TSavedValue SavedDesktop{ShellFoldersKey, L"Desktop"};  // the tests take it away
  TSavedValue SavedSendTo{ShellFoldersKey, L"SendTo"};
  TSavedValue SavedStartMenu{ShellFoldersKey, L"Start Menu"};
  TSavedValue SavedQuickLaunch{MapGroupsKey, L"Quick Launch"};
  std::wstring Program, ProgramFolder, Desktop, QuickLaunch, SendTo, StartMenu, Links;

  void SetUp() override {
    ProgramFolder = Temp.Path() + L"Программа комплекса\\";
    Program = ProgramFolder + L"Main.exe";
    CreateFolder(ProgramFolder);
    WriteFileBytes(Program, "MZ");
    // The shell writes its own desktop back into "Shell Folders" whenever it resolves it (a link object
    // does), so the desktop stays the prefix's own.
    Desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    QuickLaunch = UserFolder(L"Быстрый запуск");
    SendTo = UserFolder(L"Отправить");
    StartMenu = UserFolder(L"Главное меню");
    Links = UserFolder(L"Мои ярлыки");
    CreateFolder(StartMenu + L"\\Программы");
    SetStringValue(ShellFoldersKey, L"SendTo", SendTo);
    SetStringValue(ShellFoldersKey, L"Start Menu", StartMenu);
    SetStringValue(MapGroupsKey, L"Quick Launch", QuickLaunch);
  }
  // An installation whose main program gets the desktop link.
  TInstallPlan DesktopLinkPlan() const {
    TInstallPlan plan;
    plan.Target = ProgramFolder;
    plan.MainProgram = L"Main.exe";
    plan.ProductName = L"Ритмон - Vidoze";
    plan.ProductDescription = L"Комплекс суточного мониторирования электрокардиограмм";
    return plan;
  }
  // Where that link goes: the prefix's own desktop, as the installation finds it.
  std::wstring PrefixDesktopLink() {
    DeleteValue(ShellFoldersKey, L"Desktop");
    return ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Ритмон - Vidoze.lnk";
  }
  // Without a trailing backslash, as the shell keeps them.
  std::wstring UserFolder(const std::wstring& Name) {
    CreateFolder(Temp.Path() + Name);
    return Temp.Path() + Name;
  }
};

struct TShortcutCase {
  const char* Name;
  BYTE Location;
  std::wstring SubFolder, WorkingDir, Arguments, Description, LinkName;
  std::wstring Expected;  // the result
  bool Written;
};

TEST_F(TShortcutTest, PlacesAndNamesTheLink) {
  const std::vector<TShortcutCase> cases = {
      {"desktop, the program's name", slDesktop, L"", L"", L"", L"", L"", Desktop + L"\\Main.lnk", true},
      {"quick launch, a name of its own", slQuickLaunch, L"", L"", L"/a", L"Запуск", L"Быстрый вход",
       QuickLaunch + L"\\Быстрый вход.lnk", true},
      {"send-to, a working folder given", slSendTo, L"", Links, L"", L"", L"Отправить в комплекс",
       SendTo + L"\\Отправить в комплекс.lnk", true},
      {"start menu sub-folder, the last dot is the extension", slStartMenu, L"Программы", L"", L"-x \"y z\"",
       L"Версия", L"Version 1.5", StartMenu + L"\\Программы\\Version 1.lnk", true},
      {"start menu sub-folder that is not there", slStartMenu, L"Нет такой", L"", L"", L"", L"",
       StartMenu + L"\\Нет такой\\Main.lnk", false},
      {"a folder of its own, a program name as link name", slFolder, Links, L"", L"", L"", L"Tool.exe",
       Links + L"\\Tool.lnk", true},
      {"a folder given with its backslash, a path as link name", slFolder, Links + L"\\", L"", L"", L"",
       L"C:\\Other\\Tool", Links + L"\\Tool.lnk", true},
      {"a folder of its own left empty", slFolder, L"", L"", L"", L"", L"", L"", false},
      {"no such location", 5, Links, L"", L"", L"", L"", L"", false},
  };
  for (const TShortcutCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::wstring link =
        AddShortcut(Program, c.Location, c.SubFolder, c.WorkingDir, c.Arguments, c.Description, c.LinkName);
    EXPECT_EQ(link, c.Expected);
    if (c.Written) {
      ExpectLink(link, {Program, c.Arguments, c.Description, c.WorkingDir.empty() ? ProgramFolder : c.WorkingDir});
      DeleteFileW(link.c_str());
    } else if (!link.empty()) {
      EXPECT_FALSE(TestFileExists(link));
    }
    EXPECT_TRUE(ApartmentLeft());
  }
  EXPECT_FALSE(DirectoryExists(StartMenu + L"\\Нет такой"));
}

TEST_F(TShortcutTest, ReplacesAnExistingFile) {
  WriteFileBytes(Links + L"\\Main.lnk", "not a link");
  EXPECT_EQ(AddShortcut(Program, slFolder, Links, L"", L"", L"Второй раз", L""), Links + L"\\Main.lnk");
  ExpectLink(Links + L"\\Main.lnk", {Program, L"", L"Второй раз", ProgramFolder});
}

// Profiles where "Shell Folders" lacks a value still have the folders: the shell is asked for them.
TEST_F(TShortcutTest, MissingOrEmptyShellFolderValueUsesTheShellsFolder) {
  struct TCase {
    BYTE Location;
    const wchar_t* Value;
    int Csidl;
  };
  for (const TCase& c : {TCase{slDesktop, L"Desktop", CSIDL_DESKTOPDIRECTORY}, TCase{slSendTo, L"SendTo", CSIDL_SENDTO},
                         TCase{slStartMenu, L"Start Menu", CSIDL_STARTMENU}}) {
    SCOPED_TRACE(ToUtf8(c.Value));
    const std::wstring folder = ShellFolder(c.Csidl);
    ASSERT_FALSE(folder.empty());
    for (bool empty : {false, true}) {
      if (empty) {
        SetStringValue(ShellFoldersKey, c.Value, L"");
      } else {
        DeleteValue(ShellFoldersKey, c.Value);
      }
      const std::wstring link = AddShortcut(Program, c.Location, L"", L"", L"", L"", L"Проверка ярлыка");
      EXPECT_EQ(link, folder + L"\\Проверка ярлыка.lnk");
      ExpectLink(link, {Program, L"", L"", ProgramFolder});
      DeleteFileW(link.c_str());
    }
  }
}

TEST_F(TShortcutTest, MissingGrpConvKeyIsMadeAndNoLinkWritten) {
  // Kept aside for the test, whole, and put back after.
  const wchar_t* const aside = L"Software\\Проверка ярлыков GrpConv";
  const bool existed = KeyExists(GrpConvKey);
  if (existed) {
    TScopedKey from, to;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, GrpConvKey, 0, KEY_READ, from.Receive()), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, aside, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.Receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCopyTreeW(from.Get(), nullptr, to.Get()), ERROR_SUCCESS);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, GrpConvKey);

  EXPECT_EQ(AddShortcut(Program, slQuickLaunch, L"", L"", L"", L"", L""), L"");
  EXPECT_TRUE(KeyExists(GrpConvKey));
  EXPECT_FALSE(KeyExists(MapGroupsKey));

  RegDeleteTreeW(HKEY_CURRENT_USER, GrpConvKey);
  if (existed) {
    TScopedKey from, to;
    RegOpenKeyExW(HKEY_CURRENT_USER, aside, 0, KEY_READ, from.Receive());
    RegCreateKeyExW(HKEY_CURRENT_USER, GrpConvKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.Receive(), nullptr);
    EXPECT_EQ(RegCopyTreeW(from.Get(), nullptr, to.Get()), ERROR_SUCCESS);
    from.Reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, aside);
  }
}

TEST_F(TShortcutTest, DesktopLinkToTheMainProgram) {
  TRecordingContext context;
  const TInstallPlan plan = DesktopLinkPlan();
  const std::wstring link = PrefixDesktopLink();

  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "first installation" : "second installation");
    CreateDesktopShortcut(context, plan);
    ExpectLink(link, {Program, L"",
                      L"Комплекс суточного мониторирования электрокардиограмм \"Ритмон - Vidoze\"", ProgramFolder});
  }
  EXPECT_TRUE(context.Lines.empty());
  DeleteFileW(link.c_str());
}

// A link that cannot be written (here a folder stands where the file would) is a notice with the
// system's words; the installation goes on.
TEST_F(TShortcutTest, DesktopLinkThatCannotBeSavedIsANotice) {
  TRecordingContext context;
  const TInstallPlan plan = DesktopLinkPlan();
  const std::wstring link = PrefixDesktopLink();
  DeleteFileW(link.c_str());
  ASSERT_TRUE(CreateDirectoryW(link.c_str(), nullptr));

  EXPECT_NO_THROW(CreateDesktopShortcut(context, plan));
  RemoveDirectoryW(link.c_str());
  ASSERT_EQ(context.Lines.size(), 1u);
  EXPECT_EQ(context.Lines[0].rfind(L"Ярлык на рабочем столе не сохранён: \"" + link + L"\". ", 0), 0u)
      << ToUtf8(context.Lines[0]);
  EXPECT_NE(context.Lines[0].find(L"(0x"), std::wstring::npos) << "the code for support staff";
}

}  // namespace
