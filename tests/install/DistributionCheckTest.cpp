// The checks before anything is touched, in-process on a small distribution in a temporary folder: the
// distribution against its checksum list, the copies guarded by the sizes read, the room on the drive,
// and the verification of an installed target against its record.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DiskSpace.h"
#include "DistributionCheck.h"
#include "FileOps.h"
#include "InstallRecord.h"
#include "InstallTestFiles.h"
#include "PatternBytes.h"
#include "Sha256.h"
#include "Verify.h"

namespace {

std::string Narrow(const std::wstring& Text) {
  std::string s;
  for (wchar_t c : Text) s += c < 0x80 ? static_cast<char>(c) : '?';
  return s;
}

std::string Hex(const TSha256Digest& Digest) { return Narrow(DigestHex(Digest)); }

TEST(Sha256, IsTheSystemsDigestOfBytesAndFiles) {
  // FIPS 180-2's own examples.
  EXPECT_EQ(Hex(Sha256Of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(Sha256Of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  TTempFolder temp;
  // Over several of the reader's pieces, each unlike the others, so the pieces are joined in order and
  // none is hashed from a buffer that the next read has already refilled.
  const std::string bytes = testsupport::PatternBytes(1100 * 1024 + 7);
  WriteFileBytes(temp.Path() + L"файл.bin", bytes);
  const TFileDigest read = Sha256OfFile(temp.Path() + L"файл.bin");
  EXPECT_EQ(read.Error, 0u);
  EXPECT_EQ(read.Size, bytes.size());
  EXPECT_EQ(read.Read, bytes.size());
  EXPECT_EQ(read.Digest, Sha256Of(bytes));
  EXPECT_NE(Sha256OfFile(temp.Path() + L"нет.bin").Error, 0u);
}

// A distribution of a few files with its list, and the reads of an installation from it.
class SmallDistribution : public ::testing::Test {
 public:
  void SetUp() override {
    CreateFolder(Source);
    CreateFolder(Source + L"Firebird");
    CreateFolder(Source + L"backup");
    CreateFolder(Source + L"backup\\L011226");
    CreateFolder(Source + L"FTDIDriverInstall");
    CreateFolder(Source + L"fonts");
    Put(L"Firebird\\fbclient.Dll", std::string(300 * 1024, 'f'));
    Put(L"Firebird\\gds32.dll", "gds");
    Put(L"backup\\L011226\\Install.cmd", "@echo off");
    Put(L"FTDIDriverInstall\\setup.exe", "driver");
    Put(L"fonts\\ARIAL.TTF", "font");
    WriteList();
    Reads.Copies = {{L"Firebird\\fbclient.Dll", Target + L"fbclient.Dll"},
                    {L"Firebird\\gds32.dll", Target + L"gds32.dll"},
                    {L"fonts\\ARIAL.TTF", Target + L"ARIAL.TTF", true},
                    {L"fonts\\COUR.TTF", Target + L"COUR.TTF", true},
                    {L"backup\\L011226\\Install.cmd", Target + L"backup\\L011226\\Install.cmd"}};
    Reads.Trees = {L"backup\\"};
  }
  void Put(const std::wstring& Relative, const std::string& Bytes) {
    WriteFileBytes(Source + Relative, Bytes);
    Files[Relative] = Bytes;
  }
  // The list as sha256sum writes it for the files as they are now.
  void WriteList() {
    std::string list;
    for (const auto& file : Files) {
      std::string path = Narrow(file.first);
      for (char& c : path)
        if (c == '\\') c = '/';
      list += Hex(Sha256Of(file.second)) + "  " + path + "\n";
    }
    WriteFileBytes(Source + L"SHA256SUMS", list);
  }
  std::vector<std::wstring> Found() {
    std::vector<std::wstring> found;
    for (const TDistributionProblem& problem : CheckDistribution(Source, Reads, nullptr).Problems)
      found.push_back(problem.File + L": " + problem.What);
    return found;
  }

  TTempFolder Temp;
  const std::wstring Source = Temp.Path() + L"Дистрибутив\\";
  const std::wstring Target = Temp.Path() + L"Цель\\";
  std::map<std::wstring, std::string> Files;
  TPlannedReads Reads;
};

struct TDamageCase {
  const char* Name;
  std::function<void(SmallDistribution&)> Damage;
  std::vector<std::wstring> Found;  // "<file>: <what is wrong>", each as the start of what is found
};
void PrintTo(const TDamageCase& Case, std::ostream* Out) { *Out << Case.Name; }

class DistributionDamage : public SmallDistribution, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(DistributionDamage, IsFoundInTheFilesTheInstallationReads) {
  GetParam().Damage(*this);
  const std::vector<std::wstring> found = Found();
  const std::vector<std::wstring>& expected = GetParam().Found;
  ASSERT_EQ(found.size(), expected.size()) << (found.empty() ? "" : Narrow(found[0]));
  for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].rfind(expected[i], 0), 0u) << Narrow(found[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DistributionDamage,
    ::testing::Values(
        // COUR.TTF among them, a font the distribution neither has nor lists: its stage goes on without it.
        TDamageCase{"Sound", [](SmallDistribution&) {}, {}},
        TDamageCase{"OneByteChanged",
                    [](SmallDistribution& d) {
                      std::string bytes = d.Files[L"Firebird\\fbclient.Dll"];
                      bytes[200 * 1024] = 'g';
                      WriteFileBytes(d.Source + L"Firebird\\fbclient.Dll", bytes);
                    },
                    {L"Firebird\\fbclient.Dll: содержимое повреждено"}},
        TDamageCase{"CutShortByOneByte",
                    [](SmallDistribution& d) {
                      WriteFileBytes(d.Source + L"Firebird\\fbclient.Dll", std::string(300 * 1024 - 1, 'f'));
                    },
                    {L"Firebird\\fbclient.Dll: содержимое повреждено"}},
        TDamageCase{"Missing",
                    [](SmallDistribution& d) { DeleteFileW((d.Source + L"Firebird\\gds32.dll").c_str()); },
                    {L"Firebird\\gds32.dll: нет файла"}},
        TDamageCase{"MissingAndNotListed",
                    [](SmallDistribution& d) {
                      DeleteFileW((d.Source + L"Firebird\\gds32.dll").c_str());
                      d.Files.erase(L"Firebird\\gds32.dll");
                      d.WriteList();
                    },
                    {L"Firebird\\gds32.dll: нет файла"}},
        TDamageCase{"ExtraFileTheInstallationReads",
                    [](SmallDistribution& d) {
                      WriteFileBytes(d.Source + L"backup\\L011226\\extra.dll", "extra");
                      d.Reads.Copies.push_back({L"backup\\L011226\\extra.dll", d.Target + L"backup\\L011226\\extra.dll"});
                    },
                    {L"backup\\L011226\\extra.dll: нет в списке SHA256SUMS"}},
        TDamageCase{"ListedFileGoneFromACopiedFolder",
                    [](SmallDistribution& d) {
                      d.Files[L"backup\\L011226\\Vidoze.exe"] = "main program";
                      d.WriteList();
                    },
                    {L"backup\\L011226\\Vidoze.exe: нет файла"}},
        TDamageCase{"ChangedInAFolderTheRunSkips",
                    [](SmallDistribution& d) { WriteFileBytes(d.Source + L"FTDIDriverInstall\\setup.exe", "other"); },
                    {}},
        TDamageCase{"OptionalFontListedButMissing",
                    [](SmallDistribution& d) { DeleteFileW((d.Source + L"fonts\\ARIAL.TTF").c_str()); },
                    {L"fonts\\ARIAL.TTF: нет файла"}},
        TDamageCase{"ListWithAFault",
                    [](SmallDistribution& d) { WriteFileBytes(d.Source + L"SHA256SUMS", "not a list\n"); },
                    {L"SHA256SUMS: строка 1: "}}));

TEST_F(SmallDistribution, WithoutAListNothingIsCheckedAndSoundItTellsSizesAndDigests) {
  TDistributionCheck sound = CheckDistribution(Source, Reads, nullptr);
  EXPECT_TRUE(sound.HasList);
  EXPECT_EQ(sound.CheckedSizes[Source + L"Firebird\\fbclient.Dll"], 300u * 1024);
  EXPECT_EQ(sound.Digests[Target + L"gds32.dll"], DigestHex(Sha256Of("gds")));
  EXPECT_EQ(DistributionCheckBytes(Source, Reads), 300u * 1024 + 3 + 4 + 9);

  DeleteFileW((Source + L"SHA256SUMS").c_str());
  WriteFileBytes(Source + L"Firebird\\gds32.dll", "changed");
  const TDistributionCheck none = CheckDistribution(Source, Reads, nullptr);
  EXPECT_FALSE(none.HasList);
  EXPECT_TRUE(none.Problems.empty());
  EXPECT_EQ(DistributionCheckBytes(Source, Reads), 0u);
}

TEST_F(SmallDistribution, CopyOfAFileThatChangedSizeSinceTheCheckIsNotMadeWhole) {
  const TDistributionCheck check = CheckDistribution(Source, Reads, nullptr);
  ASSERT_TRUE(check.Problems.empty());
  CreateFolder(Target);
  WriteFileBytes(Target + L"gds32.dll", "earlier");
  const TCheckedSizes guard(check.CheckedSizes);
  WriteFileBytes(Source + L"Firebird\\gds32.dll", "grown since");
  // Over an earlier file: false, and the earlier file as it was.
  EXPECT_FALSE(CopyFileWithDate(Source + L"Firebird\\gds32.dll", Target + L"gds32.dll"));
  EXPECT_EQ(ReadFileBytes(Target + L"gds32.dll"), "earlier");
  // A new file: none, and no temporary file beside it.
  EXPECT_FALSE(CopyNewFileWithDate(Source + L"Firebird\\gds32.dll", Target + L"new.dll"));
  EXPECT_FALSE(TestFileExists(Target + L"new.dll"));
  EXPECT_FALSE(TestFileExists(Target + L"new.dll.tmp"));
  // A tree copy skips it and names it.
  TTreeCopyReport report;
  CopyFolderTree(Source + L"Firebird", Target + L"tree", false, &report);
  EXPECT_EQ(report.FirstNotCopied, Target + L"tree\\gds32.dll");
  EXPECT_FALSE(TestFileExists(Target + L"tree\\gds32.dll"));
  EXPECT_TRUE(TestFileExists(Target + L"tree\\fbclient.Dll"));
  // The files of the same size copy as ever.
  EXPECT_TRUE(CopyFileWithDate(Source + L"Firebird\\fbclient.Dll", Target + L"fbclient.Dll"));
}

TEST_F(SmallDistribution, RoomIsWhatTheCopiesAddOverWhatTheyReplacePlusTheLargestBesideIt) {
  CreateFolder(Target);
  // The earlier installation's runtime library: only what the new one is larger by counts.
  WriteFileBytes(Target + L"fbclient.Dll", std::string(100 * 1024, 'e'));
  const std::vector<TDriveSpace> spaces = SpaceNeeded(Source, Target, Reads);
  ASSERT_EQ(spaces.size(), 1u) << "everything goes to the temporary folder's drive";
  const TDriveSpace& drive = spaces[0];
  EXPECT_TRUE(drive.Known);
  EXPECT_FALSE(drive.Drive.empty());
  EXPECT_GT(drive.Free, 0u);
  const unsigned long long added = (300 - 100) * 1024 + 3 + 4 + 9;
  EXPECT_EQ(drive.Needed, TargetSmallFiles + added + 300 * 1024);
  // A target that is not made yet counts on the drive of the folder that holds it.
  EXPECT_EQ(SpaceNeeded(Source, Target + L"Новая\\Папка\\", Reads)[0].Drive, drive.Drive);
}

TEST(DiskSpaceText, NamesTheDriveAndBothFiguresInMebibytes) {
  TDriveSpace space;
  space.Drive = L"D:";
  space.Needed = 70 * (1ull << 20) + 1;
  space.Free = 13 * (1ull << 20) - 1;
  space.Known = true;
  EXPECT_EQ(SpaceText(space), L"Требуется на диске D: 71 МБ, свободно 12 МБ");
  EXPECT_FALSE(space.Enough());
  EXPECT_NE(NoRoomText(space).find(SpaceText(space)), std::wstring::npos);
  std::vector<TDriveSpace> spaces(2, space);
  spaces[0].Free = spaces[0].Needed;
  EXPECT_EQ(FirstShortDrive(spaces), &spaces[1]);
  spaces[1].Known = false;  // a drive that cannot be asked is not held against the run
  EXPECT_EQ(FirstShortDrive(spaces), nullptr);
}

// An installed target: its record with digests, as an installation from a listed distribution leaves it.
class InstalledTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateFolder(Target);
    CreateFolder(Target + L"Settings");
    CreateFolder(Target + L"udf");
    Install(L"gds32.dll", "gds", true);
    Install(L"udf\\fbudf.dll", "udf", true);
    Install(L"ReleaseInfo", "<ROOT/>", true);
    Install(L"Vidoze.exe", "put by the script", false);
    WriteFileBytes(Target + InstallRecordFile, FormatInstallRecord(Entries));
  }
  void Install(const std::wstring& Relative, const std::string& Bytes, bool Digest) {
    WriteFileBytes(Target + Relative, Bytes);
    Entries.push_back({Relative, false, Digest ? DigestHex(Sha256Of(Bytes)) : L""});
  }
  std::vector<std::string> Differences() {
    std::vector<std::string> found;
    for (const TDistributionProblem& difference : VerifyInstallation(Target, nullptr).Differences)
      found.push_back(Narrow(difference.File));
    return found;
  }
  TTempFolder Temp;
  const std::wstring Target = Temp.Path() + L"Комплекс\\";
  std::vector<TRecordEntry> Entries;
};

TEST_F(InstalledTarget, VerificationNamesWhatIsGoneOrChangedAndNotWhatTheSuiteRewrites) {
  const TVerifyResult fresh = VerifyInstallation(Target, nullptr);
  EXPECT_EQ(fresh.Read, rrRead);
  EXPECT_TRUE(fresh.Differences.empty());
  EXPECT_EQ(fresh.Judged, 3u);
  EXPECT_NE(VerifyReportText(Target, fresh).find(L"не изменены"), std::wstring::npos);

  WriteFileBytes(Target + L"ReleaseInfo", "<ROOT><Level>2</Level></ROOT>");  // the updater at work
  WriteFileBytes(Target + L"Vidoze.exe", "updated by the suite");             // no digest: only its presence
  WriteFileBytes(Target + L"Settings\\rarovu.ini", "settings");               // never judged
  EXPECT_TRUE(Differences().empty());

  DeleteFileW((Target + L"gds32.dll").c_str());
  WriteFileBytes(Target + L"udf\\fbudf.dll", "udX");
  EXPECT_EQ(Differences(), (std::vector<std::string>{"gds32.dll", "udf\\fbudf.dll"}));
  const std::wstring report = VerifyReportText(Target, VerifyInstallation(Target, nullptr));
  EXPECT_NE(report.find(L"gds32.dll: нет файла"), std::wstring::npos) << Narrow(report);
  EXPECT_NE(report.find(L"Повторная установка"), std::wstring::npos);

  DeleteFileW((Target + InstallRecordFile).c_str());
  EXPECT_EQ(VerifyInstallation(Target, nullptr).Read, rrMissing);
}

}  // namespace
