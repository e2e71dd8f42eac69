#include <gtest/gtest.h>
#include <windows.h>

#include <type_traits>
#include <vector>

#include "CommonTestFiles.h"
#include "NumberFormat.h"
#include "RH_Common_Proc.h"
#include "RH_Common_Types.h"
#include "RH_Common_Var.h"

namespace {

static_assert(sizeof(THViewType) == 1 && sizeof(Tregtype) == 1, "both enumerations are one byte");
static_assert(hvtNone == 7 && hvtAD == 6 && hvtSaveSkr == 4, "viewer modes keep their values");
static_assert(RegType_Vestrel_ECGAD == 7 && RegType_DEZAD2008 == 2 && RegType_ADBP2005 == 4,
              "recorder types keep their values");

#define SETTINGS_FIELDS(X)                                                                               \
  X(HViewType) X(DebugPrint) X(DebugMy) X(PoverkaView) X(HviewDebug) X(GroupProcess) X(doformshow)       \
  X(EnabledScrining) X(ECGAtRestWork) X(OnlyDecode) X(SaveSwap) X(ChannelGain) X(ChannelGain12)          \
  X(HardwareType) X(FilterType) X(CorrectProbeli) X(forMVD) X(forGE) X(Person) X(LanguageSetting)        \
  X(New_Reg) X(DefaultRegType) X(NurseMode) X(DoctorMode) X(EMIASTESTINGMODE) X(EMIASEMULATINGMODE)      \
  X(RegEmulating) X(AriadnaSearchTesting) X(UserIsMS) X(PraktikaSearchTesting) X(PraktikaTesting)

// Bytes and one-byte enumerations print as numbers.
template <typename T>
auto Printable(const T& Value) {
  if constexpr (std::is_enum_v<T> || std::is_same_v<T, std::uint8_t>) {
    return static_cast<int>(Value);
  } else {
    return Value;
  }
}

void ExpectSameSettings(const TSettings& Actual, const TSettings& Expected, const std::string& Context) {
#define COMPARE_FIELD(F) EXPECT_EQ(Printable(Actual.F), Printable(Expected.F)) << Context << ": " #F;
  SETTINGS_FIELDS(COMPARE_FIELD)
#undef COMPARE_FIELD
}

TEST(SettingsRecord, HasItsThirtyOneFieldsInOrder) {
  TSettings s;
  const char* fields[] = {
#define FIELD_ADDRESS(F) reinterpret_cast<const char*>(&s.F),
      SETTINGS_FIELDS(FIELD_ADDRESS)
#undef FIELD_ADDRESS
  };
  ASSERT_EQ(std::size(fields), 31u);
  for (size_t i = 1; i < std::size(fields); ++i) EXPECT_LT(fields[i - 1], fields[i]) << "field " << i + 1;
  // A fresh record is all zero, as the fields that are never read start.
  ExpectSameSettings(s, TSettings{}, "fresh");
  EXPECT_EQ(s.HViewType, hvtStandart);
  EXPECT_FALSE(s.CorrectProbeli);
}

// What every read gives a record when the file says nothing.
TSettings FileDefaults(const TSettings& Before) {
  TSettings s;
  s.HViewType = Before.HViewType;  // never read
  s.CorrectProbeli = Before.CorrectProbeli;
  s.doformshow = s.NurseMode = s.DoctorMode = true;
  s.HardwareType = 1;
  s.ChannelGain = s.ChannelGain12 = 1.0;
  return s;
}

// A record with every field away from its default, to see that each one is assigned.
TSettings Scrambled() {
  TSettings s;
#define SET_TRUE(F) s.F = true;
  SET_TRUE(DebugPrint) SET_TRUE(DebugMy) SET_TRUE(PoverkaView) SET_TRUE(HviewDebug) SET_TRUE(GroupProcess)
  SET_TRUE(EnabledScrining) SET_TRUE(ECGAtRestWork) SET_TRUE(OnlyDecode) SET_TRUE(SaveSwap)
  SET_TRUE(CorrectProbeli) SET_TRUE(forMVD) SET_TRUE(forGE) SET_TRUE(EMIASTESTINGMODE)
  SET_TRUE(EMIASEMULATINGMODE) SET_TRUE(RegEmulating) SET_TRUE(AriadnaSearchTesting) SET_TRUE(UserIsMS)
  SET_TRUE(PraktikaSearchTesting) SET_TRUE(PraktikaTesting)
#undef SET_TRUE
  s.doformshow = s.NurseMode = s.DoctorMode = false;
  s.HViewType = hvtOnline;
  s.ChannelGain = s.ChannelGain12 = 7.5;
  s.HardwareType = 99;
  s.FilterType = 17;
  s.Person = 9;
  s.LanguageSetting = L"before";
  s.New_Reg = 3;
  s.DefaultRegType = RegType_ADBP2005;
  return s;
}

struct TFileCase {
  const char* Name;
  std::string Ini;
  void (*Change)(TSettings&);  // what the file changes against the defaults
};

void Nothing(TSettings&) {}

class ReadSettingsFile : public TProgramFolderTest {
 protected:
  // Reads the program's settings into a scrambled record.
  TSettings ReadFrom(const std::wstring& Folder) {
    ProgramPath = Folder;
    Settings = Scrambled();
    ReadSettings();
    return Settings;
  }
  void ExpectCases(const std::vector<TFileCase>& Cases) {
    for (const TFileCase& c : Cases) {
      TSettings expected = FileDefaults(Scrambled());
      c.Change(expected);
      ExpectSameSettings(ReadFrom(ProgramWithSettings(c.Ini)), expected, c.Name);
    }
  }
};

TEST_F(ReadSettingsFile, DistributionMediumWithoutSettingsGivesTheDefaults) {
  const std::wstring noSettings = NewProgramFolder();
  const std::wstring emptySettingsFolder = NewProgramFolder();
  CreateFolder(emptySettingsFolder + L"Settings");
  const struct { const char* Name; std::wstring Folder; } cases[] = {
      {"no Settings folder", noSettings},
      {"no settings file", emptySettingsFolder},
      {"empty file", ProgramWithSettings("")},
      {"no options section", ProgramWithSettings("[common]\r\nDebugPrint=1\r\nHardwareType=5\r\n")},
  };
  for (const auto& c : cases) {
    const TSettings read = ReadFrom(c.Folder);
    ExpectSameSettings(read, FileDefaults(Scrambled()), c.Name);
    // Spelled out once: the medium's record.
    EXPECT_TRUE(read.doformshow && read.NurseMode && read.DoctorMode) << c.Name;
    EXPECT_EQ(read.HardwareType, 1) << c.Name;
    EXPECT_EQ(read.ChannelGain, 1.0) << c.Name;
    EXPECT_EQ(read.ChannelGain12, 1.0) << c.Name;
    EXPECT_EQ(read.LanguageSetting, L"") << c.Name;
    EXPECT_FALSE(read.forMVD || read.forGE || read.DebugPrint || read.OnlyDecode) << c.Name;
    EXPECT_EQ(read.Person, 0) << c.Name;
    EXPECT_EQ(read.HViewType, hvtOnline) << c.Name;  // not read: keeps what it held
    EXPECT_TRUE(read.CorrectProbeli) << c.Name;
  }
}


TEST_F(ReadSettingsFile, ValueSyntax) {
  ExpectCases({
      {"gain 2.5", "[options]\r\nChannel1Gain=2.5\r\n", [](TSettings& s) { s.ChannelGain = 2.5; }},
      {"gain with a comma", "[options]\r\nChannel1Gain=1,5\r\n", Nothing},
      {"empty gain", "[options]\r\nChannel1Gain=\r\n", Nothing},
      {"gain with exponent", "[options]\r\nChannel2Gain=-2.5e-1\r\n", [](TSettings& s) { s.ChannelGain12 = -0.25; }},
      {"gain as words", "[options]\r\nChannel2Gain=one\r\n", Nothing},
      {"DebugPrint 0x10", "[options]\r\nDebugPrint=0x10\r\n", [](TSettings& s) { s.DebugPrint = true; }},
      {"DebugPrint yes", "[options]\r\nDebugPrint=yes\r\n", Nothing},
      {"DebugPrint true", "[options]\r\nDebugPrint=true\r\n", Nothing},
      {"DebugPrint -1", "[options]\r\nDebugPrint=-1\r\n", [](TSettings& s) { s.DebugPrint = true; }},
      {"doformshow yes", "[options]\r\ndoformshow=yes\r\n", Nothing},
      {"doformshow 0", "[options]\r\ndoformshow=0\r\n", [](TSettings& s) { s.doformshow = false; }},
      {"doformshow $0", "[options]\r\ndoformshow=$0\r\n", [](TSettings& s) { s.doformshow = false; }},
      {"FilterType 0x1F", "[options]\r\nFilterType=0x1F\r\n", [](TSettings& s) { s.FilterType = 31; }},
      {"FilterType $1f", "[options]\r\nFilterType=$1f\r\n", [](TSettings& s) { s.FilterType = 31; }},
      {"HardwareType -3", "[options]\r\nHardwareType=-3\r\n", [](TSettings& s) { s.HardwareType = -3; }},
      {"HardwareType 0X10", "[options]\r\nHardwareType=0X10\r\n", [](TSettings& s) { s.HardwareType = 16; }},
      {"HardwareType 3.0", "[options]\r\nHardwareType=3.0\r\n", Nothing},
      {"HardwareType empty", "[options]\r\nHardwareType=\r\n", Nothing},
      {"HardwareType beyond 32 bits", "[options]\r\nHardwareType=4294967296\r\n", Nothing},
      {"ONLYDECODE in capitals", "[options]\r\nONLYDECODE=1\r\n", [](TSettings& s) { s.OnlyDecode = true; }},
      {"key named like the field", "[options]\r\nSaveSwap=1\r\n", [](TSettings& s) { s.SaveSwap = true; }},
      {"new_reg", "[options]\r\nnew_reg=200\r\n", [](TSettings& s) { s.New_Reg = 200; }},
      {"DefaultRegType 7", "[options]\r\nDefaultRegType=7\r\n",
       [](TSettings& s) { s.DefaultRegType = RegType_Vestrel_ECGAD; }},
      {"DefaultRegType 9 is stored unchecked", "[options]\r\nDefaultRegType=9\r\n",
       [](TSettings& s) { s.DefaultRegType = static_cast<Tregtype>(9); }},
      {"key in another section", "[common]\r\nDebugPrint=1\r\n[options]\r\nDebugMy=1\r\n[later]\r\nUserIsMS=1\r\n",
       [](TSettings& s) { s.DebugMy = true; }},
      {"section name in capitals", "[OPTIONS]\r\nforGE=1\r\n", [](TSettings& s) { s.forGE = true; }},
      {"section name capitalised", "[Options]\r\nNurseMode=0\r\n", [](TSettings& s) { s.NurseMode = false; }},
      {"keys that are never read", "[options]\r\nHViewType=3\r\nCorrectProbeli=0\r\nforMVD=1\r\nPerson=4\r\n",
       Nothing},
      {"Cyrillic in cp1251", "[options]\r\nLanguageSetting=\xD0\xF3\xF1\xF1\xEA\xE8\xE9 \xB8\xA8\r\n",
       [](TSettings& s) { s.LanguageSetting = L"Русский ёЁ"; }},
  });
}

TEST_F(ReadSettingsFile, EveryKeyFillsItsField) {
  // The file as the suite writes it, every value away from its default.
  ExpectCases({{"all keys",
                       "[options]\r\nDebugPrint=1\r\nDebugMy=1\r\nPoverkaView=1\r\nHviewDebug=1\r\n"
                       "GroupProcess=1\r\ndoformshow=0\r\nEnabledScrining=1\r\nECGAtRestWork=1\r\n"
                       "onlydecode=1\r\nsaveswap=1\r\nChannel1Gain=0.5\r\nChannel2Gain=2\r\nHardwareType=3\r\n"
                       "FilterType=2\r\nforGE=1\r\nLanguageSetting=ENG\r\nnew_reg=1\r\nDefaultRegType=2\r\n"
                       "NurseMode=0\r\nDoctorMode=0\r\nEMIASTESTINGMODE=1\r\nEMIASEMULATINGMODE=1\r\n"
                       "RegEmulating=1\r\nAriadnaSearchTesting=1\r\nUserIsMS=1\r\nPraktikaSearchTesting=1\r\n"
                       "PraktikaTesting=1\r\n",
                       [](TSettings& s) {
                         s.DebugPrint = s.DebugMy = s.PoverkaView = s.HviewDebug = s.GroupProcess = true;
                         s.doformshow = false;
                         s.EnabledScrining = s.ECGAtRestWork = s.OnlyDecode = s.SaveSwap = true;
                         s.ChannelGain = 0.5;
                         s.ChannelGain12 = 2;
                         s.HardwareType = 3;
                         s.FilterType = 2;
                         s.forGE = true;
                         s.LanguageSetting = L"ENG";
                         s.New_Reg = 1;
                         s.DefaultRegType = RegType_DEZAD2008;
                         s.NurseMode = s.DoctorMode = false;
                         s.EMIASTESTINGMODE = s.EMIASEMULATINGMODE = s.RegEmulating = true;
                         s.AriadnaSearchTesting = s.UserIsMS = s.PraktikaSearchTesting = s.PraktikaTesting = true;
                       }},
                      {"all keys empty",
                       "[options]\r\nDebugPrint=\r\ndoformshow=\r\nonlydecode=\r\nChannel1Gain=\r\n"
                       "Channel2Gain=\r\nHardwareType=\r\nFilterType=\r\nforGE=\r\nLanguageSetting=\r\nnew_reg=\r\n"
                       "DefaultRegType=\r\nNurseMode=\r\nDoctorMode=\r\nPraktikaTesting=\r\n",
                       Nothing}});
}

TEST_F(ReadSettingsFile, BytesOutsideTheirRangeKeepTheDefaultAndTheReadGoesOn) {
  ExpectCases({
      {"FilterType 256", "[options]\r\nFilterType=256\r\n", Nothing},
      {"FilterType -1", "[options]\r\nFilterType=-1\r\n", Nothing},
      {"FilterType 0x100", "[options]\r\nFilterType=0x100\r\n", Nothing},
      {"FilterType 255", "[options]\r\nFilterType=255\r\n", [](TSettings& s) { s.FilterType = 255; }},
      {"new_reg 256", "[options]\r\nnew_reg=256\r\n", Nothing},
      {"new_reg -5", "[options]\r\nnew_reg=-5\r\n", Nothing},
      {"DefaultRegType 257 does not wrap to 1", "[options]\r\nDefaultRegType=257\r\n", Nothing},
      // The keys read after the bad ones still count.
      {"later keys", "[options]\r\nFilterType=300\r\nHardwareType=5\r\nnew_reg=-1\r\nNurseMode=0\r\nUserIsMS=1\r\n",
       [](TSettings& s) { s.HardwareType = 5; s.NurseMode = false; s.UserIsMS = true; }},
  });
}

TEST_F(ReadSettingsFile, StringsAreCutAt2047Characters) {
  const struct { size_t Length; size_t Kept; } cases[] = {{3000, 2047}, {2048, 2047}, {2047, 2047}, {10, 10}};
  for (const auto& c : cases) {
    std::string value;
    for (size_t i = 0; i < c.Length; ++i) value += static_cast<char>('A' + i % 26);
    const TSettings read = ReadFrom(ProgramWithSettings("[options]\r\nLanguageSetting=" + value + "\r\n"));
    EXPECT_EQ(read.LanguageSetting, std::wstring(value.begin(), value.begin() + c.Kept)) << c.Length;
  }
}

TEST_F(ReadSettingsFile, ReadsAUtf16FileWithByteOrderMark) {
  const std::wstring folder = NewProgramFolder();
  CreateFolder(folder + L"Settings");
  WriteUtf16File(folder + L"Settings\\rarovu.ini",
                 L"[Options]\r\nChannel1Gain=0.75\r\ndoformshow=0\r\nFilterType=$0A\r\n"
                 L"LanguageSetting=Ελληνικά и русский\r\n");
  TSettings expected = FileDefaults(Scrambled());
  expected.ChannelGain = 0.75;
  expected.doformshow = false;
  expected.FilterType = 10;
  expected.LanguageSetting = L"Ελληνικά и русский";  // Greek is not in cp1251: the file is read as UTF-16
  ExpectSameSettings(ReadFrom(folder), expected, "UTF-16");
}

TEST_F(ReadSettingsFile, FixesTheNumberFormatBeforeReading) {
  // Whatever the format was, the gains are read with "." and the format stays so afterwards.
  SetNumberFormat(L',', L'\x00A0');
  const TSettings read = ReadFrom(ProgramWithSettings("[options]\r\nChannel1Gain=2.5\r\nChannel2Gain=1,5\r\n"));
  EXPECT_EQ(read.ChannelGain, 2.5);
  EXPECT_EQ(read.ChannelGain12, 1.0);
  EXPECT_EQ(CurrentNumberFormat().DecimalSeparator, L'.');
  EXPECT_EQ(CurrentNumberFormat().ThousandSeparator, L' ');
  EXPECT_EQ(FloatToStr(1234.5), L"1234.5");
  EXPECT_EQ(FormatNumber(1234.5, 2), L"1 234.50");
  // Also with no settings file at all.
  SetNumberFormat(L',', L'\x00A0');
  ReadFrom(NewProgramFolder());
  EXPECT_EQ(FloatToStr(1234.5), L"1234.5");
}

}  // namespace
