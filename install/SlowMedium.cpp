#include "SlowMedium.h"

#include <windows.h>

#include <cwchar>

namespace {

// Read once: the environment is the test's order for the whole run.
DWORD PieceDelayMs() {
  static const DWORD delay = [] {
    wchar_t value[32] = {};
    const DWORD length = GetEnvironmentVariableW(L"INSTALL_TEST_SLOW_COPY_MS", value, 32);
    if (length == 0 || length >= 32) return DWORD(0);
    return static_cast<DWORD>(std::wcstoul(value, nullptr, 10));
  }();
  return delay;
}

}  // namespace

void SlowMediumPiece() {
  if (const DWORD delay = PieceDelayMs()) Sleep(delay);
}

// A listing entry or an attribute read is a small request to the medium: a tenth of a piece.
void SlowMediumLookup() {
  if (const DWORD delay = PieceDelayMs() / 10) Sleep(delay);
}
