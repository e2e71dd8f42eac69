#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A 32-bit bitmap: 0xAARRGGBB per pixel, pixel (0, 0) is the first pixel of the top row.
class TBitmap32 {
 public:
  TBitmap32() = default;
  TBitmap32(int Width, int Height, uint32_t Fill = 0);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // New size; every pixel becomes Fill.
  void SetSize(int Width, int Height, uint32_t Fill = 0);
  // Takes Pixels (Width x Height, row by row) as they are, without a copy.
  void TakePixels(int Width, int Height, std::vector<uint32_t>&& Pixels);
  void Fill(uint32_t Color);

  uint32_t Pixel(int X, int Y) const { return FPixels[static_cast<size_t>(Y) * FWidth + X]; }
  void SetPixel(int X, int Y, uint32_t Color) { FPixels[static_cast<size_t>(Y) * FWidth + X] = Color; }
  uint32_t* Bits() { return FPixels.data(); }
  const uint32_t* Bits() const { return FPixels.data(); }

  // Copies Source with its top-left corner at (X, Y), replacing the pixels under it; whatever falls
  // outside this bitmap is clipped. No blending.
  void Draw(int X, int Y, const TBitmap32& Source);
  // The part of Source at (SourceX, SourceY) of Width x Height, copied to (X, Y); clipped as above.
  void Draw(int X, int Y, const TBitmap32& Source, int SourceX, int SourceY, int Width, int Height);

  // Shows the bitmap on a device context with (0, 0) at (X, Y), without scaling.
  void PaintTo(HDC Dc, int X, int Y) const;

  bool operator==(const TBitmap32& Other) const {
    return FWidth == Other.FWidth && FHeight == Other.FHeight && FPixels == Other.FPixels;
  }

 private:
  int FWidth = 0, FHeight = 0;
  std::vector<uint32_t> FPixels;
};

// The window colour (0x00BBGGRR) of a 32-bit pixel: alpha dropped, red, green and blue kept.
COLORREF Color32ToWinColor(uint32_t Pixel);
// The 32-bit opaque pixel of a window colour (no system colours).
uint32_t WinColorToColor32(COLORREF Color);

// The bytes of the RCDATA resource of that name in the program's own module; throws EProgramError
// naming the resource when there is none.
std::string LoadResourceBytes(const std::wstring& ResourceName);

// Loads the PNG image stored as RCDATA resource ResourceName into Bitmap: the bitmap takes the image's
// size, the image is drawn over opaque white with its own transparency and every alpha becomes 255.
// Throws EProgramError with a clear text when the resource is missing or is not a valid PNG.
void LoadResourcePng(TBitmap32& Bitmap, const std::wstring& ResourceName);
// The same without compositing: alpha kept (glyphs drawn over a face colour later).
void LoadResourcePngWithAlpha(TBitmap32& Bitmap, const std::wstring& ResourceName);
