#pragma once
#include <exception>
#include <string>

#include "Text.h"

// The one error that ends an operation. It carries the exact text the operator is shown; the
// program's general error display puts it in a modal box; a run without an operator writes it
// to its log.
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
