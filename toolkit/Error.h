#pragma once
#include <exception>
#include <string>

// The one error that ends an operation. It carries the exact text the operator is shown; the
// application's general error display (TApplication::HandleException) puts it in a modal box.
class EProgramError : public std::exception {
 public:
  // SystemCode: the Win32 error behind it (0 when none), for the installation log, never for the box.
  explicit EProgramError(std::wstring Text, unsigned long SystemCode = 0);
  const std::wstring& Text() const noexcept { return FText; }
  unsigned long SystemCode() const noexcept { return FSystemCode; }
  // UTF-8 copy of the text, for logs and test output.
  const char* what() const noexcept override { return FUtf8.c_str(); }

 private:
  std::wstring FText;
  std::string FUtf8;
  unsigned long FSystemCode;
};

// Text conversions between UTF-16 and UTF-8 (sources and test output are UTF-8).
std::string ToUtf8(const std::wstring& Text);
std::wstring FromUtf8(const std::string& Text);
