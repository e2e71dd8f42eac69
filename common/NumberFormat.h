#pragma once
#include <cstdint>
#include <string>

// Every conversion between numbers and text in the program goes through these functions, with one
// process-wide format. They never consult the user's regional settings or the C runtime's locale: a
// Russian Windows would give a comma where the suite's files and texts have a point.

struct TNumberFormat {
  wchar_t DecimalSeparator;
  wchar_t ThousandSeparator;
};

// The settings reader fixes the format to "." and " " at start-up; it stays so for the whole run.
void SetNumberFormat(wchar_t DecimalSeparator, wchar_t ThousandSeparator);
TNumberFormat CurrentNumberFormat();

std::wstring IntToStr(std::int64_t Value);
// Up to 15 significant digits without trailing zeros; an exponent only for very large or small values
// ("1e+20"). Not-a-number and infinities come out as "NAN", "INF", "-INF".
std::wstring FloatToStr(double Value);
// A fixed number of decimals (0..20) with thousands separators: 1234567.891 and 2 give "1 234 567.89".
std::wstring FormatNumber(double Value, int Decimals);

// Decimal with an optional sign, or hexadecimal after "0x", "0X" or "$". Hexadecimal is the 32-bit
// pattern, so "$FFFFFFFF" is -1. Anything else, an empty text or a number beyond 32 bits, is no integer.
bool TryStrToInt(const std::wstring& Text, std::int32_t& Value);
// A decimal number with the format's decimal separator and an optional exponent, nothing around it:
// no thousands separators, no blanks, no "inf" or "nan". A number beyond the double range is refused.
bool TryStrToFloat(const std::wstring& Text, double& Value);
