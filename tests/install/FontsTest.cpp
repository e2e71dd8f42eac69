#include "Fonts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <map>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "InstallTestFiles.h"
#include "LocalSystemSeam.h"
#include "RH_Common_Proc.h"
#include "RecordingContext.h"
#include "Scoped.h"
#include "SystemError.h"

namespace {

const wchar_t FontsKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::vector<std::wstring> FontList = {L"ARIAL.TTF",  L"ARIALN.TTF", L"COUR.TTF",   L"MICROSS.TTF",
                                            L"TAHOMA.TTF", L"TIMES.TTF",  L"verdana.TTF"};
// What the sample distribution carries under each name, and the face the file names.
struct TDistributionFont {
  const wchar_t* From;
  const wchar_t* Face;
};
const std::map<std::wstring, TDistributionFont> DistributionFonts = {
    {L"ARIAL.TTF", {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSans-Regular.ttf", L"Liberation Sans"}},
    {L"ARIALN.TTF",
     {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSansNarrow-Regular.ttf", L"Liberation Sans Narrow"}},
    {L"COUR.TTF", {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationMono-Regular.ttf", L"Liberation Mono"}},
    {L"MICROSS.TTF", {L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSansCondensed.ttf", L"DejaVu Sans Condensed"}},
    {L"TAHOMA.TTF", {L"Z:\\usr\\share\\wine\\fonts\\tahoma.ttf", L"Tahoma"}},
    {L"TIMES.TTF", {L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSerif-Regular.ttf", L"Liberation Serif"}},
    {L"verdana.TTF", {L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf", L"DejaVu Sans"}},
};

std::wstring InstalledLine(const std::wstring& Face) {
  // The second letter of the last word is the Latin c, written out so no look-alike slips in.
  return L"Шрифт <" + Face + L"> у\u0063тановлен";
}

bool SameName(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), -1, B.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The values of the machine's fonts key.
struct TValue {
  DWORD Type = 0;
  std::vector<BYTE> Data;
  bool operator==(const TValue& Other) const { return Type == Other.Type && Data == Other.Data; }
  bool operator!=(const TValue& Other) const { return !(*this == Other); }
  std::wstring Text() const {
    return std::wstring(reinterpret_cast<const wchar_t*>(Data.data()), Data.size() / sizeof(wchar_t));
  }
};
using TValues = std::map<std::wstring, TValue>;

TValues ReadFontsKey() {
  TValues values;
  TScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontsKeyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return values;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(4096);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    const LONG result = RegEnumValueW(key.Get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
    if (result == ERROR_MORE_DATA) {
      data.resize(data.size() * 2);
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    values[std::wstring(name.data(), nameLength)] = TValue{type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)};
    ++index;
  }
  return values;
}

// A value that names one of our files: the kind the step writes.
bool NamesOurFont(const TValue& Value) {
  if (Value.Type != REG_SZ) return false;
  const std::wstring text = Value.Text().c_str();
  for (const std::wstring& file : FontList) {
    if (SameName(text, file)) return true;
  }
  return false;
}

// Values that name one of our files and are new or different since Before.
TValues WrittenSince(const TValues& Before) {
  TValues written;
  for (const auto& [name, value] : ReadFontsKey()) {
    const auto old = Before.find(name);
    if (NamesOurFont(value) && (old == Before.end() || old->second != value)) written[name] = value;
  }
  return written;
}

// Counts the font-change broadcasts this thread sends: a message sent from the same thread reaches the
// window procedure directly, one from another program of the prefix comes as an inter-thread send.
class TFontChangeWindow {
 public:
  TFontChangeWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassExW(&windowClass);
    FWindow = CreateWindowExW(0, ClassName, L"Шрифты", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (FWindow) SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&FOwnBroadcasts));
  }
  ~TFontChangeWindow() {
    if (FWindow) DestroyWindow(FWindow);
  }
  TFontChangeWindow(const TFontChangeWindow&) = delete;
  TFontChangeWindow& operator=(const TFontChangeWindow&) = delete;
  bool Created() const { return FWindow != nullptr; }
  int OwnBroadcasts() const { return FOwnBroadcasts; }
  static constexpr const wchar_t* ClassName = L"FontsTestFontChange";

 private:
  static LRESULT CALLBACK Procedure(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    if (Message == WM_FONTCHANGE && WParam == 0 && LParam == 0 && (InSendMessageEx(nullptr) & ISMEX_SEND) == 0) {
      if (auto* count = reinterpret_cast<int*>(GetWindowLongPtrW(Window, GWLP_USERDATA))) ++*count;
    }
    return DefWindowProcW(Window, Message, WParam, LParam);
  }
  HWND FWindow = nullptr;
  int FOwnBroadcasts = 0;
};

// A top-level window whose thread answers nothing until released (or for half a minute).
class THungWindow {
 public:
  THungWindow()
      : FReady(CreateEventW(nullptr, TRUE, FALSE, nullptr)), FRelease(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    FThread = std::thread([this] {
      const HWND window = CreateWindowExW(0, TFontChangeWindow::ClassName, L"Зависшее окно", WS_POPUP, 0, 0, 10, 10,
                                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
      FCreated = window != nullptr;
      SetEvent(FReady.Get());
      WaitForSingleObject(FRelease.Get(), 30000);
      if (window) DestroyWindow(window);
    });
    WaitForSingleObject(FReady.Get(), 10000);
  }
  ~THungWindow() {
    SetEvent(FRelease.Get());
    FThread.join();
  }
  THungWindow(const THungWindow&) = delete;
  THungWindow& operator=(const THungWindow&) = delete;
  bool Created() const { return FCreated; }

 private:
  TScopedHandle FReady, FRelease;
  std::thread FThread;
  bool FCreated = false;
};

// The prefix's font folder and fonts key are one for every test process of the run; the font tests
// take turns on them.
class TPrefixFontsTurn {
 public:
  TPrefixFontsTurn() : FMutex(CreateMutexW(nullptr, FALSE, L"Local\\InstallFontsTests.PrefixFontFolder")) {
    if (FMutex.Valid()) {
      const DWORD wait = WaitForSingleObject(FMutex.Get(), 90000);
      FOwned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
  }
  ~TPrefixFontsTurn() {
    if (FOwned) ReleaseMutex(FMutex.Get());
  }
  TPrefixFontsTurn(const TPrefixFontsTurn&) = delete;
  TPrefixFontsTurn& operator=(const TPrefixFontsTurn&) = delete;
  bool Owned() const { return FOwned; }

 private:
  TScopedHandle FMutex;
  bool FOwned = false;
};

// The step against the prefix's own font folder and fonts key, from a distribution in a temporary
// folder that carries the real font files. Everything the test adds to the prefix goes again at the
// end: files it made or the step copied, values that now name one of our files (put back as they were).
// Wine's own tahoma.ttf stands for TAHOMA.TTF all along (names compare without letter case).
class FontsInPrefix : public ::testing::Test {
 protected:
  TPrefixFontsTurn Turn;
  TTempFolder Temp;
  std::wstring Source = Temp.Path() + L"Дистрибутив Ритмон\\";
  std::wstring SourceFonts = Source + L"fonts\\";
  std::wstring Destination = GetWindowsFolder() + L"fonts\\";
  std::wstring Aside = Temp.Path() + L"Отложенные\\";
  TRecordingContext Context;
  TFontChangeWindow Window;
  TValues KeyFound, KeyBefore;  // as the test found it; without the values naming our fonts
  std::set<std::wstring> PresentBefore, MovedAside;

  void SetUp() override {
    ASSERT_TRUE(Turn.Owned()) << "another font test kept the prefix's font folder";
    ASSERT_TRUE(Window.Created());
    ASSERT_FALSE(GetWindowsFolder().empty());
    CreateFolder(Source);
    CreateFolder(SourceFonts);
    CreateFolder(Aside);
    for (const auto& [file, font] : DistributionFonts) {
      ASSERT_TRUE(CopyFileW(font.From, (SourceFonts + file).c_str(), FALSE)) << ToUtf8(font.From);
      if (TestFileExists(Destination + file)) PresentBefore.insert(file);
    }
    ASSERT_EQ(PresentBefore.count(L"TAHOMA.TTF"), 1u) << "the prefix lacks Wine's tahoma.ttf";
    // An earlier installation into this prefix may have registered our fonts already: a value written
    // again with the same text would not show, so the test starts without them and puts them back.
    KeyFound = ReadFontsKey();
    TScopedKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontsKeyPath, 0, KEY_SET_VALUE, key.Receive()), ERROR_SUCCESS);
    for (const auto& [name, value] : KeyFound) {
      if (NamesOurFont(value)) {
        ASSERT_EQ(RegDeleteValueW(key.Get(), name.c_str()), ERROR_SUCCESS) << ToUtf8(name);
      }
    }
    KeyBefore = ReadFontsKey();
  }

  void TearDown() override {
    for (const std::wstring& file : FontList) {
      const std::wstring path = Destination + file;
      if (MovedAside.count(file)) {
        DeleteFileW(path.c_str());
        EXPECT_TRUE(MoveFileExW((Aside + file).c_str(), path.c_str(), MOVEFILE_COPY_ALLOWED)) << ToUtf8(path);
      } else if (!PresentBefore.count(file) && TestFileExists(path)) {
        EXPECT_TRUE(DeleteFileW(path.c_str())) << ToUtf8(path);
      }
    }
    TScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontsKeyPath, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS) return;
    for (const auto& written : WrittenSince(KeyBefore)) {
      if (!KeyFound.count(written.first)) RegDeleteValueW(key.Get(), written.first.c_str());
    }
    const TValues now = ReadFontsKey();
    for (const auto& [name, value] : KeyFound) {
      const auto current = now.find(name);
      if (current != now.end() && current->second == value) continue;
      RegSetValueExW(key.Get(), name.c_str(), 0, value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
    }
  }

  static std::string Placeholder(const std::wstring& File) { return "placeholder of " + ToUtf8(File); }
  // Present: a placeholder that is no font, so a copy over it would show.
  void MakePresent(const std::wstring& File) {
    if (!TestFileExists(Destination + File)) WriteFileBytes(Destination + File, Placeholder(File));
  }
  void MakeMissing(const std::wstring& File) {
    ASSERT_FALSE(SameName(File, L"TAHOMA.TTF")) << "Wine's own Tahoma stays where it is";
    if (!TestFileExists(Destination + File)) return;
    ASSERT_TRUE(MoveFileExW((Destination + File).c_str(), (Aside + File).c_str(), MOVEFILE_COPY_ALLOWED));
    MovedAside.insert(File);
  }
};

struct TFontsCase {
  const char* Name;
  std::vector<std::wstring> MissingInDestination;  // every other font is present
  std::vector<std::wstring> MissingInSource;
  std::vector<std::wstring> Installed;  // in list order
};

void PrintTo(const TFontsCase& Case, std::ostream* Out) { *Out << Case.Name; }

class FontsInPrefixCases : public FontsInPrefix, public ::testing::WithParamInterface<TFontsCase> {};

bool Contains(const std::vector<std::wstring>& List, const std::wstring& Item) {
  for (const std::wstring& entry : List) {
    if (entry == Item) return true;
  }
  return false;
}

TEST_P(FontsInPrefixCases, InstallsWhatIsMissingInListOrder) {
  const TFontsCase& c = GetParam();
  for (const std::wstring& file : FontList) {
    if (Contains(c.MissingInDestination, file)) {
      MakeMissing(file);
    } else {
      MakePresent(file);
    }
    if (Contains(c.MissingInSource, file)) {
      ASSERT_TRUE(DeleteFileW((SourceFonts + file).c_str()));
    }
  }
  if (HasFatalFailure()) return;
  std::map<std::wstring, std::string> presentBytes;
  for (const std::wstring& file : FontList) {
    if (TestFileExists(Destination + file)) presentBytes[file] = ReadFileBytes(Destination + file);
  }

  EXPECT_NO_THROW(InstallFonts(Context, Source));

  // A font that cannot be installed is a notice with its cause, and the next font follows.
  std::vector<std::wstring> expectedLines;
  TValues expectedValues;
  for (const std::wstring& file : FontList) {
    if (Contains(c.Installed, file)) {
      const std::wstring face = DistributionFonts.at(file).Face;
      expectedLines.push_back(InstalledLine(face));
      const BYTE* data = reinterpret_cast<const BYTE*>(file.c_str());
      expectedValues[face + L" (TrueType)"] = TValue{REG_SZ, std::vector<BYTE>(data, data + (file.size() + 1) * 2)};
    } else if (Contains(c.MissingInDestination, file) && Contains(c.MissingInSource, file)) {
      expectedLines.push_back(L"Шрифт " + file + L" не установлен: Cannot open file \"" + SourceFonts + file + L"\". " +
                              SystemErrorText(ERROR_FILE_NOT_FOUND));
    }
  }
  EXPECT_EQ(Context.Lines, expectedLines);
  // Every value the step wrote, type and stored size (terminating zero included) with it.
  EXPECT_EQ(WrittenSince(KeyBefore), expectedValues);
  EXPECT_EQ(Window.OwnBroadcasts(), 2 * static_cast<int>(c.Installed.size()));
  for (const std::wstring& file : FontList) {
    SCOPED_TRACE(ToUtf8(file));
    const std::wstring path = Destination + file;
    if (Contains(c.Installed, file)) {
      EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(DistributionFonts.at(file).From));
    } else if (presentBytes.count(file)) {
      EXPECT_EQ(ReadFileBytes(path), presentBytes[file]);
    } else {
      EXPECT_FALSE(TestFileExists(path));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FontsInPrefixCases,
    ::testing::Values(
        TFontsCase{"AllPresent", {}, {}, {}},
        // What is there is not even looked at in the distribution.
        TFontsCase{"AllPresentDistributionWithoutFonts", {}, FontList, {}},
        TFontsCase{"OnlyArialNarrowMissing", {L"ARIALN.TTF"}, {}, {L"ARIALN.TTF"}},
        TFontsCase{"SeveralMissing",
                   {L"verdana.TTF", L"COUR.TTF", L"ARIAL.TTF"},
                   {},
                   {L"ARIAL.TTF", L"COUR.TTF", L"verdana.TTF"}},
        // A font missing everywhere is said, and the fonts after it are installed all the same.
        TFontsCase{"CourierMissingEverywhere",
                   {L"COUR.TTF", L"MICROSS.TTF", L"TIMES.TTF", L"verdana.TTF"},
                   {L"COUR.TTF"},
                   {L"MICROSS.TTF", L"TIMES.TTF", L"verdana.TTF"}},
        TFontsCase{"CourierMissingEverywhereBetweenTwoInstalled",
                   {L"ARIALN.TTF", L"COUR.TTF", L"verdana.TTF"},
                   {L"COUR.TTF"},
                   {L"ARIALN.TTF", L"verdana.TTF"}}),
    [](const ::testing::TestParamInfo<TFontsCase>& Info) { return std::string(Info.param.Name); });

// The announcement must not wait on a program that has stopped answering.
TEST_F(FontsInPrefix, HungWindowDoesNotHoldTheStep) {
  for (const std::wstring& file : FontList) {
    if (file == L"ARIALN.TTF") {
      MakeMissing(file);
    } else {
      MakePresent(file);
    }
  }
  if (HasFatalFailure()) return;
  const THungWindow hung;
  ASSERT_TRUE(hung.Created());
  const ULONGLONG start = GetTickCount64();
  InstallFonts(Context, Source);
  const ULONGLONG elapsed = GetTickCount64() - start;
  // Wine gives every window thread an IME window too: two hung windows, a second each, per announcement.
  EXPECT_LT(elapsed, 8000u) << "the announcements waited for the hung window";
  EXPECT_EQ(Window.OwnBroadcasts(), 2);
  EXPECT_EQ(Context.Lines, std::vector<std::wstring>{InstalledLine(L"Liberation Sans Narrow")});
}

// HKEY_LOCAL_MACHINE of this process pointed at an empty key of the test's own: the fonts key is then
// missing, as it is unwritable without administrator rights.
class TPrivateMachineKey {
 public:
  TPrivateMachineKey() {
    FPath = L"Software\\InstallFontsTests\\Machine " + std::to_wstring(GetCurrentProcessId());
    if (RegCreateKeyExW(HKEY_CURRENT_USER, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, FKey.Receive(),
                        nullptr) == ERROR_SUCCESS) {
      FOverridden = RegOverridePredefKey(HKEY_LOCAL_MACHINE, FKey.Get()) == ERROR_SUCCESS;
    }
  }
  ~TPrivateMachineKey() {
    if (FOverridden) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    FKey.Reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\InstallFontsTests");
  }
  TPrivateMachineKey(const TPrivateMachineKey&) = delete;
  TPrivateMachineKey& operator=(const TPrivateMachineKey&) = delete;
  bool Overridden() const { return FOverridden; }
  // True when anything was made below it.
  bool HasSubkeys() const {
    DWORD subkeys = 0;
    RegQueryInfoKeyW(FKey.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    return subkeys != 0;
  }

 private:
  std::wstring FPath;
  TScopedKey FKey;
  bool FOverridden = false;
};

TEST(Fonts, FontsKeyThatCannotBeOpenedEndsTheFontWithTheReason) {
  TTempFolder temp;
  const std::wstring source = temp.Path() + L"Источник шрифтов\\";
  const std::wstring destination = temp.Path() + L"Шрифты системы\\";
  CreateFolder(source);
  CreateFolder(destination);
  ASSERT_TRUE(CopyFileW(DistributionFonts.at(L"ARIAL.TTF").From, (source + L"ARIAL.TTF").c_str(), FALSE));
  TRecordingContext context;
  {
    const TPrivateMachineKey machine;
    ASSERT_TRUE(machine.Overridden());
    try {
      InstallFont(context, source, destination, L"ARIAL.TTF");
      ADD_FAILURE() << "the font was registered";
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.SystemCode(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
      EXPECT_NE(error.Text().find(L"\"Liberation Sans (TrueType)\""), std::wstring::npos) << error.what();
      EXPECT_NE(error.Text().find(FontsKeyPath), std::wstring::npos) << error.what();
    }
    EXPECT_FALSE(machine.HasSubkeys()) << "the fonts key is never created";
  }
  // Nothing is copied: a file without its value would count as installed at every later installation.
  EXPECT_FALSE(TestFileExists(destination + L"ARIAL.TTF"));
  EXPECT_FALSE(TestFileExists(destination + L"ARIAL.TTF.tmp"));
  EXPECT_TRUE(context.Lines.empty());
}

TEST(Fonts, FaceNameIsNeverEmpty) {
  TTempFolder temp;
  struct TCase {
    std::wstring File;
    std::string Bytes;
    std::wstring Face;
  };
  const TCase cases[] = {
      {L"Шрифт с пробелами.ttf", ReadFileBytes(DistributionFonts.at(L"TIMES.TTF").From), L"Liberation Serif"},
      {L"Не шрифт.TTF", "no font in here", L"Не шрифт"},
      {L"Точки.в.имени.ttf", "", L"Точки.в.имени"},
      {L"БЕЗ РАСШИРЕНИЯ", "no font", L"БЕЗ РАСШИРЕНИЯ"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.File));
    const std::wstring path = temp.Path() + c.File;
    WriteFileBytes(path, c.Bytes);
    EXPECT_EQ(GetFontFaceName(path), c.Face);
  }
}

// What UAC does to the machine-wide fonts key of a program without administrator rights (Wine runs
// every program as a full administrator: only a seam shows it), and the Windows build a test process
// cannot change.
LONG WINAPI RefuseMachineKey(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY Key) {
  *Key = nullptr;
  return ERROR_ACCESS_DENIED;
}
DWORD Windows10Version1809() { return 17763; }
DWORD Windows7() { return 7601; }

class TWithoutAdministratorRights {
 public:
  explicit TWithoutAdministratorRights(FontSeams::WindowsBuildFn Build)
      : FKey(FontSeams::SetOpenMachineKey(RefuseMachineKey)), FBuild(FontSeams::SetWindowsBuildQuery(Build)) {}
  ~TWithoutAdministratorRights() {
    FontSeams::SetOpenMachineKey(FKey);
    FontSeams::SetWindowsBuildQuery(FBuild);
  }
  TWithoutAdministratorRights(const TWithoutAdministratorRights&) = delete;
  TWithoutAdministratorRights& operator=(const TWithoutAdministratorRights&) = delete;

 private:
  FontSeams::OpenMachineKeyFn FKey;
  FontSeams::WindowsBuildFn FBuild;
};

// The values of the user's fonts key that name a file of Folder.
TValues UserFontValues(const std::wstring& Folder) {
  TValues values;
  TScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, FontsKeyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return values;
  wchar_t name[16384];
  BYTE data[4096];
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = 16384, dataSize = sizeof(data), type = 0;
    if (RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    TValue value{type, std::vector<BYTE>(data, data + dataSize)};
    if (type == REG_SZ && value.Text().rfind(Folder, 0) == 0) values[std::wstring(name, nameLength)] = value;
  }
  return values;
}

// The machine-wide fonts as before, and the current user's fonts folder and key, which the tests give
// back as they found them.
class FontsWithoutRights : public FontsInPrefix {
 protected:
  std::wstring UserFolder;
  bool HadUserKey = false;
  std::set<std::wstring> InUserFolderBefore;
  TValues UserValuesBefore;

  void SetUp() override {
    FontsInPrefix::SetUp();
    if (HasFatalFailure()) return;
    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    UserFolder = std::wstring(local) + L"\\Microsoft\\Windows\\Fonts\\";
    for (const std::wstring& file : FontList) {
      if (TestFileExists(UserFolder + file)) InUserFolderBefore.insert(file);
    }
    TScopedKey key;
    HadUserKey = RegOpenKeyExW(HKEY_CURRENT_USER, FontsKeyPath, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
    UserValuesBefore = UserFontValues(UserFolder);
    // Missing in the system's folder, and one of them already in the user's.
    for (const std::wstring& file : FontList) {
      if (file == L"ARIALN.TTF" || file == L"COUR.TTF" || file == L"verdana.TTF") {
        MakeMissing(file);
      } else {
        MakePresent(file);
      }
    }
  }

  void TearDown() override {
    for (const std::wstring& file : FontList) {
      if (!InUserFolderBefore.count(file)) DeleteFileW((UserFolder + file).c_str());
    }
    TScopedKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, FontsKeyPath, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS) {
      for (const auto& [name, value] : UserFontValues(UserFolder)) {
        if (!UserValuesBefore.count(name)) RegDeleteValueW(key.Get(), name.c_str());
      }
    }
    key.Reset();
    if (!HadUserKey) RegDeleteKeyW(HKEY_CURRENT_USER, FontsKeyPath);
    FontsInPrefix::TearDown();
  }
};

// Windows 10 version 1809 and later: the missing fonts go to the user's fonts folder and key, the value
// holding the file's full path; the system's folder and key stay untouched. Windows then loads them for
// the user's programs; Wine 8 reads only the machine-wide key (a new process of the prefix does not see a
// face registered under the user's key: measured), so what this test shows is the files and the values.
TEST_F(FontsWithoutRights, MissingFontsGoToTheUserOnWindows10Version1809) {
  ForceDirectories(UserFolder);
  if (!TestFileExists(UserFolder + L"verdana.TTF")) WriteFileBytes(UserFolder + L"verdana.TTF", Placeholder(L"verdana.TTF"));
  const std::string verdanaBytes = ReadFileBytes(UserFolder + L"verdana.TTF");
  {
    const TWithoutAdministratorRights standardUser(Windows10Version1809);
    EXPECT_NO_THROW(InstallFonts(Context, Source));
  }
  const std::wstring forUser = L" для текущего пользователя";
  EXPECT_EQ(Context.Lines, (std::vector<std::wstring>{InstalledLine(L"Liberation Sans Narrow") + forUser,
                                                       InstalledLine(L"Liberation Mono") + forUser}));
  EXPECT_TRUE(WrittenSince(KeyBefore).empty()) << "the machine-wide key was written";
  for (const wchar_t* file : {L"ARIALN.TTF", L"COUR.TTF", L"verdana.TTF"}) {
    EXPECT_FALSE(TestFileExists(Destination + file)) << ToUtf8(file);
  }
  EXPECT_EQ(ReadFileBytes(UserFolder + L"ARIALN.TTF"), ReadFileBytes(DistributionFonts.at(L"ARIALN.TTF").From));
  EXPECT_EQ(ReadFileBytes(UserFolder + L"COUR.TTF"), ReadFileBytes(DistributionFonts.at(L"COUR.TTF").From));
  EXPECT_EQ(ReadFileBytes(UserFolder + L"verdana.TTF"), verdanaBytes) << "a font the user has is left alone";
  const TValues values = UserFontValues(UserFolder);
  for (const auto& [face, file] : {std::pair<std::wstring, std::wstring>{L"Liberation Sans Narrow", L"ARIALN.TTF"},
                                   std::pair<std::wstring, std::wstring>{L"Liberation Mono", L"COUR.TTF"}}) {
    SCOPED_TRACE(ToUtf8(face));
    const auto value = values.find(face + L" (TrueType)");
    ASSERT_NE(value, values.end());
    EXPECT_EQ(value->second.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(value->second.Text().c_str()), UserFolder + file);
  }
  EXPECT_EQ(Window.OwnBroadcasts(), 4);
}

// Older systems have no fonts of a user's own: one notice names the fonts left out and why, nothing is
// copied or registered anywhere.
TEST_F(FontsWithoutRights, BeforeWindows10Version1809OneNoticeNamesTheFontsLeftOut) {
  const TValues userValues = UserFontValues(UserFolder);
  {
    const TWithoutAdministratorRights standardUser(Windows7);
    EXPECT_NO_THROW(InstallFonts(Context, Source));
  }
  EXPECT_EQ(Context.Lines,
            std::vector<std::wstring>{
                L"Шрифты ARIALN.TTF, COUR.TTF, verdana.TTF не установлены: для их установки нужны права администратора"});
  EXPECT_TRUE(WrittenSince(KeyBefore).empty());
  EXPECT_EQ(UserFontValues(UserFolder), userValues);
  for (const wchar_t* file : {L"ARIALN.TTF", L"COUR.TTF", L"verdana.TTF"}) {
    EXPECT_FALSE(TestFileExists(Destination + file)) << ToUtf8(file);
    if (!InUserFolderBefore.count(file)) {
      EXPECT_FALSE(TestFileExists(UserFolder + file)) << ToUtf8(file);
    }
  }
  EXPECT_EQ(Window.OwnBroadcasts(), 0);
}

// As the system account a refusal of the machine's fonts is no "user without rights": its own fonts would
// serve no one, so each font missing there is a notice with the reason and nothing goes to its profile.
TEST_F(FontsWithoutRights, TheSystemAccountNeverFallsBackToItsOwnFonts) {
  const TValues userValues = UserFontValues(UserFolder);
  {
    const TAsLocalSystem system;
    const TWithoutAdministratorRights refused(Windows10Version1809);
    EXPECT_NO_THROW(InstallFonts(Context, Source));
  }
  ASSERT_EQ(Context.Lines.size(), 3u);
  const wchar_t* const missing[] = {L"ARIALN.TTF", L"COUR.TTF", L"verdana.TTF"};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(ToUtf8(missing[i]));
    EXPECT_EQ(Context.Lines[i].rfind(L"Шрифт " + std::wstring(missing[i]) + L" не установлен: ", 0), 0u)
        << ToUtf8(Context.Lines[i]);
    EXPECT_NE(Context.Lines[i].find(L"HKEY_LOCAL_MACHINE"), std::wstring::npos) << ToUtf8(Context.Lines[i]);
    EXPECT_FALSE(TestFileExists(Destination + missing[i]));
    if (!InUserFolderBefore.count(missing[i])) {
      EXPECT_FALSE(TestFileExists(UserFolder + missing[i]));
    }
  }
  EXPECT_EQ(UserFontValues(UserFolder), userValues);
  EXPECT_TRUE(WrittenSince(KeyBefore).empty());
}

}  // namespace
