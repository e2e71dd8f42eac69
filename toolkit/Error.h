#pragma once
#include <exception>
#include <string>

// The one error that ends an operation. It carries the exact text the operator is shown; the
// application's general error display (TApplication::HandleException) puts it in a modal box.
class EProgramError : public std::exception {
 public:
  explicit EProgramError(std::wstring Text);
  const std::wstring& Text() const noexcept { return FText; }
  // UTF-8 copy of the text, for logs and test output.
  const char* what() const noexcept override { return FUtf8.c_str(); }

 private:
  std::wstring FText;
  std::string FUtf8;
};

// Text conversions between UTF-16 and UTF-8 (sources and test output are UTF-8).
std::string ToUtf8(const std::wstring& Text);
std::wstring FromUtf8(const std::string& Text);
