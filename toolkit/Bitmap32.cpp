#include "Bitmap32.h"

#include <algorithm>
#include <utility>

#include "Error.h"
#include "PngDecoder.h"

TBitmap32::TBitmap32(int Width, int Height, uint32_t Fill) { SetSize(Width, Height, Fill); }

void TBitmap32::SetSize(int Width, int Height, uint32_t Fill) {
  FWidth = std::max(Width, 0);
  FHeight = std::max(Height, 0);
  FPixels.assign(static_cast<size_t>(FWidth) * FHeight, Fill);
}

void TBitmap32::TakePixels(int Width, int Height, std::vector<uint32_t>&& Pixels) {
  FWidth = std::max(Width, 0);
  FHeight = std::max(Height, 0);
  FPixels = std::move(Pixels);
  FPixels.resize(static_cast<size_t>(FWidth) * FHeight);
}

void TBitmap32::Fill(uint32_t Color) { std::fill(FPixels.begin(), FPixels.end(), Color); }

void TBitmap32::Draw(int X, int Y, const TBitmap32& Source) {
  Draw(X, Y, Source, 0, 0, Source.Width(), Source.Height());
}

void TBitmap32::Draw(int X, int Y, const TBitmap32& Source, int SourceX, int SourceY, int Width, int Height) {
  // Clip the source rectangle to the source, then the target rectangle to this bitmap.
  if (SourceX < 0) { X -= SourceX; Width += SourceX; SourceX = 0; }
  if (SourceY < 0) { Y -= SourceY; Height += SourceY; SourceY = 0; }
  Width = std::min(Width, Source.Width() - SourceX);
  Height = std::min(Height, Source.Height() - SourceY);
  if (X < 0) { SourceX -= X; Width += X; X = 0; }
  if (Y < 0) { SourceY -= Y; Height += Y; Y = 0; }
  Width = std::min(Width, FWidth - X);
  Height = std::min(Height, FHeight - Y);
  if (Width <= 0 || Height <= 0) return;
  for (int row = 0; row < Height; ++row) {
    const uint32_t* from = Source.Bits() + static_cast<size_t>(SourceY + row) * Source.Width() + SourceX;
    std::copy(from, from + Width, FPixels.begin() + static_cast<ptrdiff_t>(Y + row) * FWidth + X);
  }
}

void TBitmap32::PaintTo(HDC Dc, int X, int Y) const {
  if (Empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = FWidth;
  info.bmiHeader.biHeight = -FHeight;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(Dc, X, Y, static_cast<DWORD>(FWidth), static_cast<DWORD>(FHeight), 0, 0, 0,
                    static_cast<UINT>(FHeight), FPixels.data(), &info, DIB_RGB_COLORS);
}

COLORREF Color32ToWinColor(uint32_t Pixel) {
  return RGB((Pixel >> 16) & 0xFF, (Pixel >> 8) & 0xFF, Pixel & 0xFF);
}

uint32_t WinColorToColor32(COLORREF Color) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(Color)) << 16) |
         (static_cast<uint32_t>(GetGValue(Color)) << 8) | GetBValue(Color);
}

std::string LoadResourceBytes(const std::wstring& ResourceName) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, ResourceName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw EProgramError(L"Ресурс \"" + ResourceName + L"\" не найден в программе.");
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, info));
}

namespace {

PngImage DecodeResource(const std::wstring& ResourceName) {
  const std::string bytes = LoadResourceBytes(ResourceName);
  try {
    return DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  } catch (const std::exception& error) {
    throw EProgramError(L"Ресурс \"" + ResourceName + L"\" не является правильным изображением PNG (" +
                        FromUtf8(error.what()) + L").");
  }
}

// Moved, not copied: a fresh copy of the large artwork costs its pages' first touch again.
void Assign(TBitmap32& Bitmap, PngImage&& Image) {
  Bitmap.TakePixels(static_cast<int>(Image.Width), static_cast<int>(Image.Height), std::move(Image.Pixels));
}

}  // namespace

void LoadResourcePng(TBitmap32& Bitmap, const std::wstring& ResourceName) {
  PngImage image = DecodeResource(ResourceName);
  CompositeOverWhite(image);
  Assign(Bitmap, std::move(image));
}

void LoadResourcePngWithAlpha(TBitmap32& Bitmap, const std::wstring& ResourceName) {
  Assign(Bitmap, DecodeResource(ResourceName));
}
