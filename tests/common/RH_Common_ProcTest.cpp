#include <gtest/gtest.h>

#include "RH_Common_Proc.h"

namespace {

const int LongStringId = 1000, CyrillicStringId = 1001, Exact254StringId = 1002;

TEST(LoadResString, ReturnsStringTableTexts) {
  struct Case { int Id; std::wstring Expected; };
  std::wstring digits;
  for (int i = 0; i < 254; ++i) digits += static_cast<wchar_t>(L'0' + i % 10);
  const Case cases[] = {
      {CyrillicStringId, L"Ритмон - Vidoze: ёЁ"},
      {LongStringId, digits},      // 300 characters come back cut to 254
      {5000, L""},                 // no such string
      {-1, L""},                   // outside the domain
      {-100000, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadResString(GetModuleHandleW(nullptr), c.Id), c.Expected) << "id " << c.Id;
  }
}

TEST(LoadResString, KeepsATextOfExactly254Characters) {
  const std::wstring text = LoadResString(GetModuleHandleW(nullptr), Exact254StringId);
  ASSERT_EQ(text.size(), 254u);
  EXPECT_EQ(text.back(), L'х');
  EXPECT_EQ(text.substr(0, 5), L"Ровно");
}

class ScreenDpi : public ::testing::Test {
 protected:
  static int Dpi;
  static int FakeDpi() { return Dpi; }
  void TearDown() override { SystemQueries::SetScreenDpiQuery(nullptr); }
};
int ScreenDpi::Dpi = 0;

TEST_F(ScreenDpi, SmallFontsBelowOneHundredDotsPerInch) {
  SystemQueries::SetScreenDpiQuery(&FakeDpi);
  const struct { int Dpi; bool Small; } cases[] = {{96, true}, {99, true}, {100, false}, {120, false},
                                                   {144, false}, {72, true}};
  for (const auto& c : cases) {
    Dpi = c.Dpi;
    EXPECT_EQ(IsSmallFonts(), c.Small) << c.Dpi << " dpi";
  }
}

TEST_F(ScreenDpi, RealScreenOfTheTestPrefixHasSmallFonts) {
  // The test prefix runs at Wine's default of 96 dots per inch.
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(IsSmallFonts(), dpi < 100);
  EXPECT_EQ(dpi, 96);
}

class WindowsFolder : public ::testing::Test {
 protected:
  static std::wstring Reported;
  static UINT ReportedLength;
  static UINT Fake(LPWSTR buffer, UINT size) {
    if (ReportedLength != Reported.size()) return ReportedLength;  // a failure or a size request
    if (Reported.size() < size) wcscpy(buffer, Reported.c_str());
    return static_cast<UINT>(Reported.size());
  }
  void TearDown() override { SystemQueries::SetWindowsDirectoryQuery(nullptr); }
};
std::wstring WindowsFolder::Reported;
UINT WindowsFolder::ReportedLength = 0;

TEST_F(WindowsFolder, AppendsOneBackslash) {
  SystemQueries::SetWindowsDirectoryQuery(&Fake);
  const struct { std::wstring Reported; UINT Length; std::wstring Expected; } cases[] = {
      {L"C:\\WINDOWS", 10, L"C:\\WINDOWS\\"},
      {L"D:\\", 3, L"D:\\"},
      {L"", 0, L""},                               // the call failed
      {L"C:\\WINDOWS", 300, L""},                  // longer than the buffer: the size needed comes back
      {std::wstring(259, L'a'), 259, std::wstring(259, L'a') + L"\\"},
  };
  for (const auto& c : cases) {
    Reported = c.Reported;
    ReportedLength = c.Length;
    EXPECT_EQ(GetWindowsFolder(), c.Expected) << c.Length;
  }
}

TEST_F(WindowsFolder, RealFolderExistsAndEndsInBackslash) {
  const std::wstring folder = GetWindowsFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_NE(folder[folder.size() - 2], L'\\');
  const DWORD attributes = GetFileAttributesW((folder + L"fonts").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class Restart : public ::testing::Test {
 protected:
  static UINT Flags;
  static DWORD Reason;
  static BOOL Answer;
  static int Calls;
  static BOOL FakeExit(UINT flags, DWORD reason) {
    ++Calls;
    Flags = flags;
    Reason = reason;
    return Answer;
  }
  void SetUp() override { SystemQueries::SetExitWindows(&FakeExit); Calls = 0; }
  void TearDown() override { SystemQueries::SetExitWindows(nullptr); }

  static void SetShutdownPrivilege(bool enable) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }

  static bool ShutdownPrivilegeEnabled() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    PRIVILEGE_SET set{};
    set.PrivilegeCount = 1;
    set.Control = PRIVILEGE_SET_ALL_NECESSARY;
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &set.Privilege[0].Luid);
    BOOL enabled = FALSE;
    PrivilegeCheck(token, &set, &enabled);
    CloseHandle(token);
    return enabled != FALSE;
  }
};
UINT Restart::Flags = 0;
DWORD Restart::Reason = 1;
BOOL Restart::Answer = FALSE;
int Restart::Calls = 0;

TEST_F(Restart, PassesFlagsAndReportsTheSystemsAnswer) {
  for (BOOL answer : {TRUE, FALSE}) {
    Answer = answer;
    EXPECT_EQ(RestartWindows(EWX_REBOOT | EWX_FORCE), answer != FALSE);
    EXPECT_EQ(Flags, 6u);
    EXPECT_EQ(Reason, 0u);
  }
  EXPECT_EQ(Calls, 2);
}

TEST_F(Restart, LeavesTheShutdownPrivilegeEnabled) {
  SetShutdownPrivilege(false);
  ASSERT_FALSE(ShutdownPrivilegeEnabled());
  Answer = FALSE;
  RestartWindows(EWX_REBOOT | EWX_FORCE);
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
}

}  // namespace
