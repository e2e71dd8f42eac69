#pragma once
#include <windows.h>

#include <string>

// What a screen reader is told about a control whose system object (the one the system makes for its
// window class) would name it wrongly or not at all: that object, with this name and, where given, this
// value. Empty parts leave the system's answer.
struct TAccessibleText {
  std::wstring Name;
  // Reads the value from the window, so an object a reader still holds never outlives what it reads.
  std::wstring (*Value)(HWND Wnd) = nullptr;
};

// The answer to WM_GETOBJECT for the client object of Wnd, or 0 (the system's own answer then goes)
// when oleacc.dll cannot be loaded from the system folder or makes no object.
LRESULT AccessibleObjectResult(HWND Wnd, WPARAM WParam, const TAccessibleText& Text);

// Tells screen readers that line Index of a list (a list box's item) got its text.
void AnnounceListLine(HWND List, int Index);
