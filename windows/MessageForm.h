#pragma once
#include <string>

// The suite's timed, always-on-top message window.

enum TMessageType : unsigned char { mtMessage = 0, mtDialog = 1 };

// Shows the message in a new modal window with a countdown (0 seconds keeps the default of 20) and
// frees it; true exactly when the user pressed OK. A negative countdown, or one whose milliseconds do
// not fit in a 32-bit signed integer, raises the program's error type.
bool ShowMessageWindow(const std::wstring& Text, TMessageType Kind, const std::wstring& CaptionText,
                       int CountdownSeconds);
