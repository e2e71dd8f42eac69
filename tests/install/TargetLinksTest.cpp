// Writes of a run confined to its target: a link planted in the target while the run goes on (a Unix
// link under Wine, as the uninstall's tests make them) ends the write that would go through it, and
// nothing is written where it leads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "InstallTestFiles.h"
#include "Scoped.h"
#include "TargetLinks.h"
#include "Text.h"

namespace {

TEST(WritesInsideTarget, AFolderSwappedForALinkMidRunIsNeverWrittenThrough) {
  struct TCase {
    const char* Name;
    std::function<void(const std::wstring& Source, const std::wstring& Folder)> Write;
  };
  const std::vector<TCase> cases = {
      {"a copy over a file", [](const std::wstring& Source, const std::wstring& Folder) {
         CopyFileWithDate(Source + L"fbudf.dll", Folder + L"fbudf.dll");
       }},
      {"a new file", [](const std::wstring& Source, const std::wstring& Folder) {
         CopyNewFileWithDate(Source + L"fbudf.dll", Folder + L"новый.dll");
       }},
      {"a settings file replaced", [](const std::wstring&, const std::wstring& Folder) {
         ReplaceFileAtomically(Folder + L"rarovu.ini", "[options]\r\n");
       }},
      {"a tree copy", [](const std::wstring& Source, const std::wstring& Folder) {
         CopyFolderTree(Source.substr(0, Source.size() - 1), Folder.substr(0, Folder.size() - 1));
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    const std::wstring source = temp.Path() + L"Дистрибутив\\";
    const std::wstring target = temp.Path() + L"Папка установки\\";
    const std::wstring outside = temp.Path() + L"Система\\";
    for (const std::wstring& folder : {source, target, target + L"udf\\", outside}) CreateFolder(folder);
    WriteFileBytes(source + L"fbudf.dll", "distribution");
    WriteFileBytes(outside + L"fbudf.dll", "the system's");
    WriteFileBytes(outside + L"rarovu.ini", "the system's");

    const TWritesInsideTarget confined(target);
    // Inside, the writes go through.
    EXPECT_NO_THROW(c.Write(source, target + L"udf\\"));
    // Then a user swaps the folder for a link.
    RemoveFolderTree(target + L"udf");
    const std::string why = MakeLink(target + L"udf", outside.substr(0, outside.size() - 1), true);
    if (!why.empty()) GTEST_SKIP() << why;
    try {
      c.Write(source, target + L"udf\\");
      ADD_FAILURE() << "written through the link";
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text().rfind(L"В папке установки есть ссылка, ведущая за её пределы: \"" + target + L"udf", 0), 0u)
          << ToUtf8(error.Text());
    }
    RemoveLink(target + L"udf");
    EXPECT_EQ(ReadFileBytes(outside + L"fbudf.dll"), "the system's");
    EXPECT_EQ(ReadFileBytes(outside + L"rarovu.ini"), "the system's");
    for (const wchar_t* name : {L"новый.dll", L"новый.dll.tmp", L"fbudf.dll.tmp", L"rarovu.ini.tmp"})
      EXPECT_FALSE(TestFileExists(outside + name)) << ToUtf8(name);
  }
}

// The folder a write goes into cannot be renamed away, and so not swapped for a link, while it is held.
TEST(WritesInsideTarget, TheFolderOfAWriteStaysWhereItIsWhileHeld) {
  TTempFolder temp;
  const std::wstring target = temp.Path() + L"Папка установки\\";
  CreateFolder(target);
  CreateFolder(target + L"udf");
  const TWritesInsideTarget confined(target);
  {
    const TScopedFile held(HoldFolderInside(target + L"udf\\fbudf.dll"));
    ASSERT_TRUE(held.Valid());
    EXPECT_FALSE(MoveFileExW((target + L"udf").c_str(), (target + L"udf-old").c_str(), 0));
    // Files still come and go inside it.
    WriteFileBytes(target + L"udf\\fbudf.dll.tmp", "copy");
    EXPECT_TRUE(MoveFileExW((target + L"udf\\fbudf.dll.tmp").c_str(), (target + L"udf\\fbudf.dll").c_str(), 0));
  }
  EXPECT_TRUE(MoveFileExW((target + L"udf").c_str(), (target + L"udf-old").c_str(), 0)) << "still held";
  EXPECT_EQ(HoldFolderInside(temp.Path() + L"elsewhere.dll"), INVALID_HANDLE_VALUE) << "not the target's";
}

}  // namespace
