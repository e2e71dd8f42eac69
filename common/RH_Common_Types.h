#pragma once
#include <cstdint>
#include <string>

// The viewer mode.
enum THViewType : std::uint8_t {
  hvtStandart,
  hvtFragment,
  hvtOnline,
  hvtTest,
  hvtSaveSkr,
  hvtSaveDin,
  hvtAD,
  hvtNone
};

// The recorder type: family (LRH for the suite's own recorders, Vestrel for another maker's), what is
// recorded (ECG, AD, BP for blood pressure) and a model year.
enum Tregtype : std::uint8_t {
  RegType_LRHECG,
  RegType_LRHECG_AD2005,
  RegType_DEZAD2008,
  RegType_LRHECG_ADVestrel,
  RegType_ADBP2005,
  RegType_Vestrel_AD,
  RegType_Vestrel_ECG,
  RegType_Vestrel_ECGAD
};

// The suite's switches and numeric parameters, filled from the settings file at start. A fresh record
// is all zero: the fields that are never read keep that.
struct TSettings {
  THViewType HViewType = hvtStandart;
  bool DebugPrint = false;
  bool DebugMy = false;
  bool PoverkaView = false;
  bool HviewDebug = false;
  bool GroupProcess = false;
  bool doformshow = false;
  bool EnabledScrining = false;
  bool ECGAtRestWork = false;
  bool OnlyDecode = false;
  bool SaveSwap = false;
  double ChannelGain = 0.0;    // first ECG channel, dimensionless
  double ChannelGain12 = 0.0;  // second ECG channel
  std::int32_t HardwareType = 0;
  std::uint8_t FilterType = 0;
  bool CorrectProbeli = false;
  bool forMVD = false;
  bool forGE = false;
  std::uint8_t Person = 0;
  std::wstring LanguageSetting;
  std::uint8_t New_Reg = 0;
  Tregtype DefaultRegType = RegType_LRHECG;
  bool NurseMode = false;
  bool DoctorMode = false;
  bool EMIASTESTINGMODE = false;
  bool EMIASEMULATINGMODE = false;
  bool RegEmulating = false;
  bool AriadnaSearchTesting = false;
  bool UserIsMS = false;
  bool PraktikaSearchTesting = false;
  bool PraktikaTesting = false;
};
