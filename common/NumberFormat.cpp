#include "NumberFormat.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <clocale>
#include <cstdlib>
#include <string>

namespace {

// Holds before the settings reader runs too, so no conversion ever sees the regional settings.
TNumberFormat Format{L'.', L' '};

std::wstring Widen(const char* First, const char* Last) { return std::wstring(First, Last); }

bool IsDigit(wchar_t C) { return C >= L'0' && C <= L'9'; }

int HexDigitValue(wchar_t C) {
  if (C >= L'0' && C <= L'9') return C - L'0';
  if (C >= L'a' && C <= L'f') return C - L'a' + 10;
  if (C >= L'A' && C <= L'F') return C - L'A' + 10;
  return -1;
}

// The C library writes and reads the point of the C runtime's locale, which a test or a library may have
// set: "." in the text we keep, the runtime's own when handed to it.
std::string RuntimePoint() {
  const char* point = std::localeconv()->decimal_point;
  return point && *point ? point : ".";
}

std::wstring FromRuntimeText(const char* Text, int Length) {
  std::string text(Text, Length > 0 ? static_cast<size_t>(Length) : 0);
  const std::string point = RuntimePoint();
  if (point != ".") {
    const size_t at = text.find(point);
    if (at != std::string::npos) text.replace(at, point.size(), ".");
  }
  return std::wstring(text.begin(), text.end());
}

std::wstring NonFiniteText(double Value) {
  if (std::isnan(Value)) return L"NAN";
  return Value < 0 ? L"-INF" : L"INF";
}

// The C conversions below write the C locale's point (the program never sets another); swap in the
// format's separator.
std::wstring WithDecimalSeparator(std::wstring Text) {
  for (wchar_t& c : Text) {
    if (c == L'.') c = Format.DecimalSeparator;
  }
  return Text;
}

// "-0", "-0.00": a value rounded to zero carries no sign.
void DropSignOfZero(std::wstring& Text) {
  if (Text.empty() || Text[0] != L'-') return;
  for (size_t i = 1; i < Text.size(); ++i) {
    if (IsDigit(Text[i]) && Text[i] != L'0') return;
    if (Text[i] == L'e') break;
  }
  Text.erase(0, 1);
}

bool ParseHex(const std::wstring& Text, size_t Start, std::int32_t& Value) {
  if (Start >= Text.size()) return false;
  std::uint64_t accumulated = 0;
  for (size_t i = Start; i < Text.size(); ++i) {
    const int digit = HexDigitValue(Text[i]);
    if (digit < 0) return false;
    accumulated = accumulated * 16 + static_cast<std::uint64_t>(digit);
    if (accumulated > 0xFFFFFFFFull) return false;
  }
  Value = static_cast<std::int32_t>(static_cast<std::uint32_t>(accumulated));
  return true;
}

bool ParseDecimal(const std::wstring& Text, std::int32_t& Value) {
  size_t i = 0;
  const bool negative = Text[0] == L'-';
  if (Text[0] == L'-' || Text[0] == L'+') ++i;
  if (i >= Text.size()) return false;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t accumulated = 0;
  for (; i < Text.size(); ++i) {
    if (!IsDigit(Text[i])) return false;
    accumulated = accumulated * 10 + (Text[i] - L'0');
    if (accumulated > limit) return false;
  }
  Value = static_cast<std::int32_t>(negative ? -accumulated : accumulated);
  return true;
}

}  // namespace

void SetNumberFormat(wchar_t DecimalSeparator, wchar_t ThousandSeparator) {
  Format = TNumberFormat{DecimalSeparator, ThousandSeparator};
}

TNumberFormat CurrentNumberFormat() { return Format; }

std::wstring IntToStr(std::int64_t Value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), Value);
  return Widen(buffer, result.ptr);
}

std::wstring FloatToStr(double Value) {
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  // MinGW's own printf: correctly rounded, two-digit exponents as C99 has them (the system's printf writes
  // three). The standard library's floating to_chars would do the same at a fifth of the program's size.
  char buffer[64];
  const int length = __mingw_snprintf(buffer, sizeof(buffer), "%.15g", Value);
  std::wstring text = WithDecimalSeparator(FromRuntimeText(buffer, length));
  DropSignOfZero(text);
  return text;
}

std::wstring FormatNumber(double Value, int Decimals) {
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  if (Decimals < 0) Decimals = 0;
  if (Decimals > 20) Decimals = 20;
  // The largest double has 309 integer digits.
  char buffer[400];
  const int length = __mingw_snprintf(buffer, sizeof(buffer), "%.*f", Decimals, Value);
  std::wstring text = FromRuntimeText(buffer, length);
  const size_t digitsStart = text[0] == L'-' ? 1 : 0;
  size_t integerEnd = text.find(L'.');
  if (integerEnd == std::wstring::npos) integerEnd = text.size();
  text = WithDecimalSeparator(std::move(text));
  for (size_t i = integerEnd; i > digitsStart + 3; i -= 3) text.insert(i - 3, 1, Format.ThousandSeparator);
  DropSignOfZero(text);
  return text;
}

bool TryStrToInt(const std::wstring& Text, std::int32_t& Value) {
  if (Text.empty()) return false;
  if (Text[0] == L'$') return ParseHex(Text, 1, Value);
  if (Text.size() >= 2 && Text[0] == L'0' && (Text[1] == L'x' || Text[1] == L'X')) return ParseHex(Text, 2, Value);
  return ParseDecimal(Text, Value);
}

bool TryStrToFloat(const std::wstring& Text, double& Value) {
  // Checked here character by character, then handed over in the one spelling strtod takes.
  std::string plain;
  size_t i = 0;
  if (i < Text.size() && (Text[i] == L'-' || Text[i] == L'+')) {
    if (Text[i] == L'-') plain += '-';
    ++i;
  }
  size_t digits = 0;
  for (; i < Text.size() && IsDigit(Text[i]); ++i, ++digits) plain += static_cast<char>(Text[i]);
  if (i < Text.size() && Text[i] == Format.DecimalSeparator) {
    plain += '.';
    for (++i; i < Text.size() && IsDigit(Text[i]); ++i, ++digits) plain += static_cast<char>(Text[i]);
  }
  if (digits == 0) return false;
  if (i < Text.size() && (Text[i] == L'e' || Text[i] == L'E')) {
    plain += 'e';
    ++i;
    if (i < Text.size() && (Text[i] == L'-' || Text[i] == L'+')) plain += static_cast<char>(Text[i++]);
    size_t exponentDigits = 0;
    for (; i < Text.size() && IsDigit(Text[i]); ++i, ++exponentDigits) plain += static_cast<char>(Text[i]);
    if (exponentDigits == 0) return false;
  }
  if (i != Text.size()) return false;
  // A digit before the point, in the spelling the check above let through.
  const size_t pointAt = plain.find('.');
  const size_t digitsStart = plain[0] == '-' ? 1 : 0;
  if (pointAt == digitsStart) plain.insert(pointAt, 1, '0');
  if (pointAt != std::string::npos) plain.replace(plain.find('.'), 1, RuntimePoint());
  // MinGW's strtod is correctly rounded and says ERANGE beyond the double range either way.
  errno = 0;
  char* end = nullptr;
  const double parsed = __mingw_strtod(plain.c_str(), &end);
  if (errno == ERANGE || end != plain.c_str() + plain.size()) return false;
  Value = parsed;
  return true;
}
