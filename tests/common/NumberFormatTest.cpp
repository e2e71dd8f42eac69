#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#include "NumberFormat.h"

namespace {

class NumberFormat : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormat(L'.', L' '); }
  void TearDown() override {
    SetNumberFormat(L'.', L' ');
    std::setlocale(LC_ALL, "C");
  }
};

TEST_F(NumberFormat, FormatsWithTheProcessFormat) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct { double Value; const wchar_t* Text; } floats[] = {
      {1234.5, L"1234.5"},  {0.1, L"0.1"},   {-2.25, L"-2.25"}, {1.0, L"1"},     {0.0, L"0"},
      {-0.0, L"0"},         {0.1 + 0.2, L"0.3"},                 // 15 significant digits
      {1e20, L"1e+20"},     {1e-5, L"1e-05"}, {123456789012345678.0, L"1.23456789012346e+17"},
      {nan, L"NAN"},        {inf, L"INF"},    {-inf, L"-INF"},
  };
  for (const auto& c : floats) EXPECT_EQ(FloatToStr(c.Value), c.Text) << c.Value;

  const struct { double Value; int Decimals; const wchar_t* Text; } numbers[] = {
      {1234567.891, 2, L"1 234 567.89"}, {-1234.5, 1, L"-1 234.5"}, {999, 0, L"999"}, {1000, 0, L"1 000"},
      {123, 2, L"123.00"},                {0.004, 2, L"0.00"},       {-0.004, 2, L"0.00"}, {-100000, 0, L"-100 000"},
  };
  for (const auto& c : numbers) EXPECT_EQ(FormatNumber(c.Value, c.Decimals), c.Text) << c.Value;

  EXPECT_EQ(IntToStr(-2147483648LL), L"-2147483648");
  EXPECT_EQ(IntToStr(1234567), L"1234567");

  // Another format changes every conversion alike.
  SetNumberFormat(L',', L'\x00A0');
  EXPECT_EQ(FloatToStr(1234.5), L"1234,5");
  EXPECT_EQ(FormatNumber(1234567.891, 2), L"1\x00A0" L"234\x00A0" L"567,89");
  double value = 0;
  EXPECT_TRUE(TryStrToFloat(L"1,5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_FALSE(TryStrToFloat(L"2.5", value));
}

TEST_F(NumberFormat, ReadsIntegersInDecimalAndHexadecimal) {
  const struct { const wchar_t* Text; bool Ok; std::int32_t Value; } cases[] = {
      {L"0", true, 0},          {L"-3", true, -3},         {L"+7", true, 7},           {L"0x10", true, 16},
      {L"0X1f", true, 31},      {L"$1F", true, 31},        {L"$ff", true, 255},        {L"007", true, 7},
      {L"2147483647", true, 2147483647},                   {L"-2147483648", true, -2147483647 - 1},
      {L"0x7FFFFFFF", true, 2147483647},                   {L"$FFFFFFFF", true, -1},   // the 32-bit pattern
      {L"", false, 0},          {L"yes", false, 0},        {L"true", false, 0},        {L"1.5", false, 0},
      {L" 1", false, 0},        {L"1 ", false, 0},         {L"0x", false, 0},          {L"$", false, 0},
      {L"2147483648", false, 0}, {L"-2147483649", false, 0}, {L"0x100000000", false, 0}, {L"12abc", false, 0},
      {L"-0x10", false, 0},     {L"--1", false, 0},        {L"-", false, 0},           {L"0x1G", false, 0},
      {L"\x0661", false, 0},    // an Arabic-Indic digit is no digit here
  };
  for (const auto& c : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(TryStrToInt(c.Text, value), c.Ok) << "\"" << testing::PrintToString(std::wstring(c.Text)) << "\"";
    EXPECT_EQ(value, c.Ok ? c.Value : 12345) << testing::PrintToString(std::wstring(c.Text));
  }
}

TEST_F(NumberFormat, ReadsDecimalNumbersWithThePointOnly) {
  const struct { const wchar_t* Text; bool Ok; double Value; } cases[] = {
      {L"2.5", true, 2.5},   {L"-0.5", true, -0.5}, {L"+3", true, 3},       {L"1e3", true, 1000},
      {L"2.5E-1", true, 0.25}, {L".5", true, 0.5},  {L"5.", true, 5},       {L"-.25", true, -0.25},
      {L"1,5", false, 0},    {L"", false, 0},       {L"1 000.5", false, 0}, {L"1e", false, 0},
      {L"e5", false, 0},     {L".", false, 0},      {L"-", false, 0},       {L"inf", false, 0},
      {L"nan", false, 0},    {L"1e400", false, 0},  {L"0x10", false, 0},    {L"2.5 ", false, 0},
      {L"1.2.3", false, 0},
  };
  for (const auto& c : cases) {
    double value = 77;
    EXPECT_EQ(TryStrToFloat(c.Text, value), c.Ok) << testing::PrintToString(std::wstring(c.Text));
    EXPECT_EQ(value, c.Ok ? c.Value : 77) << testing::PrintToString(std::wstring(c.Text));
  }
  for (double v : {1234.5, -0.001, 3.14159265358979, 6.02214076e23, 1e-300, 2.0 / 3.0}) {
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(v), back)) << v;
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
  }
}

TEST_F(NumberFormat, IgnoresTheRussianRegionalSettings) {
  // The test prefix runs a Russian Windows, whose decimal separator is a comma.
  wchar_t separator[8] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8), 0);
  EXPECT_STREQ(separator, L",");
  // Even a C runtime switched to the Russian locale, whose printf then writes a comma, changes nothing.
  ASSERT_NE(std::setlocale(LC_ALL, "Russian_Russia.1251"), nullptr);
  char crt[32];
  std::snprintf(crt, sizeof(crt), "%.1f", 1234.5);
  EXPECT_STREQ(crt, "1234,5");
  EXPECT_EQ(FloatToStr(1234.5), L"1234.5");
  EXPECT_EQ(FormatNumber(1234.5, 1), L"1 234.5");
  double value = 0;
  EXPECT_TRUE(TryStrToFloat(L"2.5", value));
  EXPECT_EQ(value, 2.5);
}

}  // namespace
