#include "Background.h"

const std::array<const wchar_t*, 7> BackgroundImageNames = {
    L"BACKGROUND", L"TITLE_PNL_L", L"TITLE_PNL_R", L"TITLE_PNL_M", L"LOGO", L"TITLE", L"MAIN"};

void LoadBackgroundImages(const std::array<TBitmap32*, 7>& Images) {
  for (size_t i = 0; i < Images.size(); ++i) LoadResourcePng(*Images[i], BackgroundImageNames[i]);
}

void ComposeBackground(TBitmap32& Buffer, const TBackgroundImages& Images) {
  const int W = Buffer.Width(), H = Buffer.Height();

  // Texture, row by row; a zero-sized tile would never advance.
  if (!Images.Texture.Empty())
    for (int y = 0; y <= H; y += Images.Texture.Height())
      for (int x = 0; x <= W; x += Images.Texture.Width()) Buffer.Draw(x, y, Images.Texture);

  // Title bar: the two ends, and between them the middle slice once per column.
  Buffer.Draw(0, 0, Images.TitleLeft);
  const int L = Images.TitleLeft.Width();
  const int R = W - Images.TitleRight.Width();
  Buffer.Draw(R, 0, Images.TitleRight);
  for (int x = L; x <= R - 1; ++x) Buffer.Draw(x, 0, Images.TitleMiddle);

  DrawEmblemAndTitle(Buffer, Images);
  // The panel image's first three columns are margin and fall outside.
  Buffer.Draw(-3, 95, Images.Panels);
}

void DrawEmblemAndTitle(TBitmap32& Buffer, const TBackgroundImages& Images) {
  Buffer.Draw(Images.TitleLeft.Width() - 5, 15, Images.Logo);
  Buffer.Draw((Buffer.Width() - Images.Title.Width()) / 2, 20, Images.Title);
}

void ComposeHighContrastBackground(TBitmap32& Buffer, const TBackgroundImages& Images, COLORREF Fill) {
  Buffer.Fill(WinColorToColor32(Fill));
  DrawEmblemAndTitle(Buffer, Images);
}
