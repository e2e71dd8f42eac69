#pragma once
#include <array>
#include <string>

// The suite's fixed clinical vocabulary, Russian. Rows are addressed in the order given here, from 0;
// an empty row is an empty text. The first four tables are localised at start-up (LocaliseTables),
// which is why all of them stay writable.

extern std::array<std::wstring, 3> BodyTypeNames;
extern std::array<std::wstring, 22> DiagnosisNames;  // the last row is never localised
extern std::array<std::wstring, 9> DrugNames;
// The conclusion on intraventricular conduction: normal, left and right bundle branch block, WPW
// (never localised), undetermined.
extern std::array<std::wstring, 5> ConductionNames;

// Display elements (rows 0..29), beat classes (30..49), rhythm and transient-episode labels (50..69),
// further episode labels (70..73).
extern std::array<std::wstring, 74> ElementNames;
extern std::array<std::wstring, 4> ToleranceNames;
extern std::array<std::wstring, 8> ActivityAdvice;

// Key names for report sections and leads.
extern std::array<std::wstring, 23> ReportSectionKeys;
extern std::array<std::wstring, 23> ReportSectionKeys2;
extern std::array<std::wstring, 11> StressTestKeys;
extern std::array<std::wstring, 9> BloodPressureKeys;
extern std::array<std::wstring, 15> LeadNames;
