#include "Graphics.h"

#include <map>
#include <tuple>

COLORREF ColorToRGB(TColor Color) {
  if (Color & 0x80000000u) return GetSysColor(static_cast<int>(Color & 0xFF));
  return Color & 0x00FFFFFFu;
}

namespace {

bool QueryHighContrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
      (contrast.dwFlags & HCF_HIGHCONTRASTON))
    return true;
  return HighContrastForced();
}

bool& HighContrastFlag() {
  static bool on = QueryHighContrast();
  return on;
}

}  // namespace

bool HighContrast() { return HighContrastFlag(); }

void RefreshHighContrast() { HighContrastFlag() = QueryHighContrast(); }

TColor ContrastColor(TColor Color, TColor System) { return HighContrast() ? System : Color; }

HBRUSH ColorBrush(TColor Color) {
  static std::map<COLORREF, HBRUSH> brushes;
  const COLORREF rgb = ColorToRGB(Color);
  HBRUSH& brush = brushes[rgb];
  if (!brush) brush = CreateSolidBrush(rgb);
  return brush;
}

namespace {

BYTE FamilyFor(const std::wstring& Name) {
  if (_wcsicmp(Name.c_str(), L"Times New Roman") == 0) return VARIABLE_PITCH | FF_ROMAN;
  if (_wcsicmp(Name.c_str(), L"Tahoma") == 0 || _wcsicmp(Name.c_str(), L"MS Sans Serif") == 0 ||
      _wcsicmp(Name.c_str(), L"Arial") == 0)
    return VARIABLE_PITCH | FF_SWISS;
  return DEFAULT_PITCH | FF_DONTCARE;
}

}  // namespace

HFONT TFont::Handle() const {
  using Key = std::tuple<std::wstring, int, BYTE, bool, bool, bool, BYTE>;
  static std::map<Key, HFONT> fonts;
  HFONT& font = fonts[Key(Name, Height, Charset, Bold, Italic, Underline, PitchAndFamily)];
  if (!font) {
    LOGFONTW lf{};
    lf.lfHeight = -Height;
    lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Italic;
    lf.lfUnderline = Underline;
    lf.lfCharSet = Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = PitchAndFamily ? PitchAndFamily : FamilyFor(Name);
    lstrcpynW(lf.lfFaceName, Name.c_str(), LF_FACESIZE);
    font = CreateFontIndirectW(&lf);
  }
  return font;
}

bool TFont::operator==(const TFont& Other) const {
  return Name == Other.Name && Height == Other.Height && Charset == Other.Charset && Color == Other.Color &&
         Bold == Other.Bold && Italic == Other.Italic && Underline == Other.Underline &&
         PitchAndFamily == Other.PitchAndFamily;
}

int PointsToPixels(int Points) {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return MulDiv(Points, dpi, 72);
}
