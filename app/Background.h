#pragma once
#include <windows.h>

#include <array>

#include "Bitmap32.h"

// The seven opaque images the main window's background is composed of.
struct TBackgroundImages {
  const TBitmap32& Texture;      // BG_bmp, the paper tile
  const TBitmap32& TitleLeft;    // Title_pnl_l_bmp
  const TBitmap32& TitleRight;   // Title_pnl_r_bmp
  const TBitmap32& TitleMiddle;  // Title_pnl_m_bmp, one pixel wide
  const TBitmap32& Logo;         // Logo_bmp
  const TBitmap32& Title;        // Title_bmp
  const TBitmap32& Panels;       // Panels_bmp
};

// The seven images' resource names, in the order of TBackgroundImages.
extern const std::array<const wchar_t*, 7> BackgroundImageNames;
// Loads each image from its resource, in that order; a missing or broken one throws the loader's error.
void LoadBackgroundImages(const std::array<TBitmap32*, 7>& Images);

// Composes the background into Buffer at its present size: the texture tiled, the title bar from its
// ends and one-pixel slices, the emblem, the product title centred, and the panels, each copy
// replacing the pixels under it and clipped to the buffer.
void ComposeBackground(TBitmap32& Buffer, const TBackgroundImages& Images);

// The emblem and the product title where ComposeBackground puts them.
void DrawEmblemAndTitle(TBitmap32& Buffer, const TBackgroundImages& Images);
// For high contrast: the plain Fill colour behind every text, with only the emblem and the title.
void ComposeHighContrastBackground(TBitmap32& Buffer, const TBackgroundImages& Images, COLORREF Fill);

// Where the information pane and the page control go, over the left and the right panel.
constexpr RECT InfoPaneBounds{16, 110, 16 + 282, 110 + 441};
constexpr RECT PagesBounds{320, 110, 320 + 619, 110 + 441};
