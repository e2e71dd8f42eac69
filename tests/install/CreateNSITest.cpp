#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "CreateNSI.h"
#include "IniFile.h"
#include "InstallTestFiles.h"

namespace {

const std::string EmptyList(840, '\0');

// The files in the order they are moved into place.
std::vector<std::wstring> Moved;
void RecordMove(const std::wstring& TemporaryFile) { Moved.push_back(TemporaryFile); }

struct TPowerCut {};
void CutPowerAtWra(const std::wstring& TemporaryFile) {
  if (TemporaryFile.find(L"wra.nsi") != std::wstring::npos) throw TPowerCut();
}

class CreateNsiTest : public ::testing::Test {
 protected:
  TTempFolder Temp;
  const std::wstring Folder = Temp.Path() + L"Ритмон Видоз\\Settings\\";
  const std::wstring Uca = Folder + L"uca.nsi";
  const std::wstring Wra = Folder + L"wra.nsi";

  void SetUp() override {
    CreateFolder(Temp.Path() + L"Ритмон Видоз");
    Moved.clear();
  }
};

TEST_F(CreateNsiTest, CreatesOnlyMissingFilesUcaFirst) {
  struct TCase {
    const char* Name;
    bool FolderExists;
    std::optional<std::string> Uca, Wra;
    std::vector<std::wstring> Created;
  };
  // An existing file counts whatever its size or content.
  const std::string filled = std::string(14, '\x01') + std::string(826, '\0');
  const TCase cases[] = {
      {"neither", true, std::nullopt, std::nullopt, {L"uca.nsi", L"wra.nsi"}},
      {"both, of any size", true, std::string("abc"), std::string(2000, 'w'), {}},
      {"both, filled entries", true, filled, filled, {}},
      {"empty files count too", true, std::string(), std::string(), {}},
      {"only wra", true, std::nullopt, std::string(10, 'w'), {L"uca.nsi"}},
      {"only uca", true, std::string(10, 'u'), std::nullopt, {L"wra.nsi"}},
      {"settings folder missing", false, std::nullopt, std::nullopt, {L"uca.nsi", L"wra.nsi"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    RemoveFolderTree(Folder);
    if (c.FolderExists) CreateFolder(Folder);
    if (c.Uca) WriteFileBytes(Uca, *c.Uca);
    if (c.Wra) WriteFileBytes(Wra, *c.Wra);
    Moved.clear();
    {
      const FileWriteSeams::TScopedBeforeMove record(RecordMove);
      EXPECT_NO_THROW(CreateNsiFiles(Folder));
    }
    EXPECT_EQ(ReadFileBytes(Uca), c.Uca ? *c.Uca : EmptyList);
    EXPECT_EQ(ReadFileBytes(Wra), c.Wra ? *c.Wra : EmptyList);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : c.Created) expected.push_back(Folder + name + L".tmp");
    EXPECT_EQ(Moved, expected);
    EXPECT_FALSE(TestFileExists(Uca + L".tmp"));
    EXPECT_FALSE(TestFileExists(Wra + L".tmp"));
  }
}

TEST_F(CreateNsiTest, FolderThatCannotBeCreatedIsNoError) {
  struct TCase {
    const char* Name;
    std::wstring Folder;
  };
  const std::wstring occupied = Temp.Path() + L"Занято файлом";
  WriteFileBytes(occupied, "x");
  // One level only: a missing parent is not made.
  const TCase cases[] = {
      {"missing parent", Temp.Path() + L"Нет такой\\Settings\\"},
      {"a file in the folder's place", occupied + L"\\"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_NO_THROW(CreateNsiFiles(c.Folder));
    EXPECT_FALSE(TestFileExists(c.Folder + L"uca.nsi"));
    EXPECT_FALSE(TestFileExists(c.Folder + L"wra.nsi"));
  }
  EXPECT_EQ(GetFileAttributesW((Temp.Path() + L"Нет такой").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(occupied), "x");
}

TEST_F(CreateNsiTest, InterruptedFileIsMissingRatherThanShort) {
  {
    const FileWriteSeams::TScopedBeforeMove cut(CutPowerAtWra);
    EXPECT_NO_THROW(CreateNsiFiles(Folder));
  }
  EXPECT_EQ(ReadFileBytes(Uca), EmptyList);
  EXPECT_FALSE(TestFileExists(Wra));
  // The next installation completes what is missing.
  CreateNsiFiles(Folder);
  EXPECT_EQ(ReadFileBytes(Wra), EmptyList);
  EXPECT_FALSE(TestFileExists(Wra + L".tmp"));
}

}  // namespace
