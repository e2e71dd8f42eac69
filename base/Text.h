#pragma once
// Text helpers every layer shares.
#include <string>

// Conversions between UTF-16 and UTF-8 (sources, log files and test output are UTF-8).
std::string ToUtf8(const std::wstring& Text);
std::wstring FromUtf8(const std::string& Text);

// Leading and trailing blanks and control characters go.
std::wstring TrimBlanks(const std::wstring& Text);
// Upper case by the user's locale (Cyrillic included).
std::wstring UpperCase(const std::wstring& Text);
// True when Text begins with Prefix, letter case aside as the file system compares names.
bool StartsWithIgnoringCase(const std::wstring& Text, const std::wstring& Prefix);
