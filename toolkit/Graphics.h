#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Colours: a window colour 0x00BBGGRR (the RGB macro), or a system colour (the COLOR_* index with the
// top bit set), which follows the system's settings.
using TColor = uint32_t;
constexpr TColor SystemColor(int Index) { return 0x80000000u | static_cast<TColor>(Index); }
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clNavy = RGB(0, 0, 128);
constexpr TColor clMaroon = RGB(128, 0, 0);
constexpr TColor clGreen = RGB(0, 128, 0);
constexpr TColor clRed = RGB(255, 0, 0);

// The plain window colour of a colour (system colours looked up now).
COLORREF ColorToRGB(TColor Color);

// True while Windows runs with a high-contrast scheme; read again by RefreshHighContrast when the
// system's settings change.
bool HighContrast();
void RefreshHighContrast();
// Test seam: Wine 8 never reports a scheme (SPI_GETHIGHCONTRAST gives no flag and SPI_SETHIGHCONTRAST
// fails), so a test build may stand in for one; the shipped program never does (app/NoTestSeams.cpp).
bool HighContrastForced();
// Color, or in high contrast the system colour that takes its part, so the scheme's colours show.
TColor ContrastColor(TColor Color, TColor System);
// A solid brush of that colour; shared and kept for the life of the program (never delete it).
HBRUSH ColorBrush(TColor Color);

// A font by face name, character height in pixels and character set.
struct TFont {
  std::wstring Name = L"Tahoma";
  int Height = 13;  // character height in pixels (the em height, without internal leading)
  BYTE Charset = DEFAULT_CHARSET;
  TColor Color = clWindowText;
  bool Bold = false, Italic = false, Underline = false;
  // 0 picks the family by the face name: "Times New Roman" is found only when asked for as a roman
  // (serif) font, so it gets FF_ROMAN; other faces get FF_SWISS or FF_DONTCARE.
  BYTE PitchAndFamily = 0;

  TFont() = default;
  TFont(std::wstring FaceName, int PixelHeight, BYTE CharacterSet = DEFAULT_CHARSET, TColor TextColor = clWindowText)
      : Name(std::move(FaceName)), Height(PixelHeight), Charset(CharacterSet), Color(TextColor) {}

  // A shared GDI font for it, kept for the life of the program (never delete it).
  HFONT Handle() const;
  bool operator==(const TFont& Other) const;
};

// Pixels of a point size on the screen (the screen's logical DPI), as a TFont height.
int PointsToPixels(int Points);
