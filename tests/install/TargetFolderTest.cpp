// The target folder's rules: a drive's, share's or volume's root is refused however it is spelt, and
// whatever leads into one from the outside; every folder below a root is taken.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "InstallTestFiles.h"
#include "TargetFolder.h"

namespace {

std::string Narrow(const std::wstring& Text) { return ::testing::PrintToString(Text); }

TEST(TargetFolder, EverySpellingOfARootIsRefusedAndEveryFolderBelowOneIsTaken) {
  const std::vector<std::wstring> roots = {
      L"C:",
      L"C:\\",
      L"c:\\",
      L"C:/",
      L"C:\\.",
      L"C:\\..",
      L"C:\\.\\",
      L"C:\\..\\..\\",
      L"C:\\Windows\\..",
      L"C:\\windows\\system32\\..\\..",
      L"C:/Windows/../",
      L"C:\\Windows\\.\\..\\.",
      L"  C:\\Windows\\..  ",
      L"Z:\\",  // a subst or mapped drive's root is a root as well
      L"\\\\?\\C:\\",
      L"\\\\?\\C:",
      L"\\\\?\\c:\\Windows\\..",
      L"\\\\.\\C:\\",
      L"\\\\.\\C:\\Windows\\..",
      L"//?/C:/",
      L"\\\\server\\share",
      L"\\\\server\\share\\",
      L"\\\\server\\share\\.",
      L"\\\\server\\share\\Zuzavo\\..",
      L"//server/share/",
      L"\\\\?\\UNC\\server\\share\\",
      L"\\\\?\\UNC\\server\\share\\Zuzavo\\..",
      L"\\\\server",
      L"\\\\?\\Volume{3f1b7a2c-0000-0000-0000-100000000000}\\",
      L"\\\\?\\Volume{3f1b7a2c-0000-0000-0000-100000000000}\\Zuzavo\\..",
      L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\",
      L"\\\\.\\PhysicalDrive0",
  };
  const std::vector<std::wstring> folders = {
      L"C:\\Zuzavo",
      L"C:/Zuzavo",
      L"C:\\Windows\\..\\Zuzavo",
      L"D:\\Программы\\Zuzavo",
      L"\\\\?\\C:\\Zuzavo",
      L"\\\\.\\C:\\Zuzavo",
      L"\\\\server\\share\\Zuzavo",
      L"\\\\?\\UNC\\server\\share\\Zuzavo",
      L"\\\\?\\Volume{3f1b7a2c-0000-0000-0000-100000000000}\\Zuzavo",
  };
  for (const auto& [typed, expected] : {std::pair{&roots, tcRoot}, std::pair{&folders, tcValid}}) {
    for (const std::wstring& spelling : *typed) {
      std::wstring folder;
      EXPECT_EQ(CheckTargetFolder(spelling, folder), expected) << Narrow(spelling);
    }
  }
}

TEST(TargetFolder, ALinkToARootIsRefused) {
  TTempFolder temp;
  const std::wstring link = temp.Path() + L"Ссылка на корень";
  const std::string why = MakeLink(link, L"C:\\", true);
  if (!why.empty()) GTEST_SKIP() << why;
  std::wstring folder;
  EXPECT_EQ(CheckTargetFolder(link, folder), tcRoot);
  EXPECT_EQ(CheckTargetFolder(link + L"\\Zuzavo", folder), tcValid) << "a folder below the link is not its root";
  RemoveLink(link);
}

}  // namespace
