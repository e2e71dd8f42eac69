// The composed background, region by region: on plain one-colour images, where every pixel tells which
// step drew it, and on the program's real images.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Background.h"
#include "Bitmap32.h"

namespace {

constexpr uint32_t Texture = 0xFF000001, Left = 0xFF000002, Right = 0xFF000003, Middle = 0xFF000004,
                   Logo = 0xFF000005, Title = 0xFF000006, Panels = 0xFF000007, Unset = 0xFFABCDEF;

struct PlainImages {
  TBitmap32 texture{128, 128, Texture}, left{22, 100, Left}, right{22, 100, Right}, middle{1, 100, Middle},
      logo{72, 70, Logo}, title{500, 66, Title}, panels{958, 472, Panels};
  TBackgroundImages Images() const { return {texture, left, right, middle, logo, title, panels}; }
};

// The inclusive rectangle that holds exactly the pixels of one colour, or "none".
std::string Extent(const TBitmap32& Buffer, uint32_t Color) {
  int left = Buffer.Width(), top = Buffer.Height(), right = -1, bottom = -1, count = 0;
  for (int y = 0; y < Buffer.Height(); ++y)
    for (int x = 0; x < Buffer.Width(); ++x)
      if (Buffer.Pixel(x, y) == Color) {
        left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
        ++count;
      }
  if (right < 0) return "none";
  const bool solid = count == (right - left + 1) * (bottom - top + 1);
  return std::to_string(left) + "-" + std::to_string(right) + "," + std::to_string(top) + "-" +
         std::to_string(bottom) + (solid ? "" : " with holes");
}

TEST(ComposeBackground, PlainImagesLandWhereTheRegionTableSays) {
  PlainImages plain;
  TBitmap32 buffer(954, 579, Unset);
  ComposeBackground(buffer, plain.Images());
  EXPECT_EQ(Extent(buffer, Unset), "none") << "every pixel is drawn";
  EXPECT_EQ(Extent(buffer, Texture), "0-953,567-578");
  EXPECT_EQ(Extent(buffer, Panels), "0-953,95-566");
  EXPECT_EQ(Extent(buffer, Logo), "17-88,15-84");
  EXPECT_EQ(Extent(buffer, Title), "227-726,20-85");
  EXPECT_EQ(Extent(buffer, Left), "0-21,0-94 with holes") << "the emblem covers part of the left end";
  EXPECT_EQ(Extent(buffer, Right), "932-953,0-94");
  EXPECT_EQ(Extent(buffer, Middle), "22-931,0-94 with holes");
  int slices = 0;
  for (int x = 0; x < buffer.Width(); ++x) slices += buffer.Pixel(x, 0) == Middle;
  EXPECT_EQ(slices, 910);
}

TEST(ComposeBackground, TextureTilesStepByTheTileSizeAndClip) {
  // A tile whose every pixel is different shows where each copy started.
  TBitmap32 tile(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) tile.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y << 8 | x));
  const TBitmap32 none;
  TBitmap32 buffer(954, 579, Unset);
  ComposeBackground(buffer, {tile, none, none, none, none, none, none});
  for (int y = 0; y < buffer.Height(); ++y)
    for (int x = 0; x < buffer.Width(); ++x)
      ASSERT_EQ(buffer.Pixel(x, y), tile.Pixel(x % 128, y % 128)) << x << "," << y;
  // Eight columns (the last from x = 896) and five rows (the last from y = 512).
  EXPECT_EQ(buffer.Pixel(953, 578), tile.Pixel(953 - 896, 578 - 512));
}

TEST(ComposeBackground, NarrowBufferGetsNoMiddleSlicesAndNothingOutside) {
  PlainImages plain;
  TBitmap32 buffer(30, 120, Unset);
  ComposeBackground(buffer, plain.Images());
  EXPECT_EQ(Extent(buffer, Middle), "none") << "R - 1 < L";
  EXPECT_EQ(Extent(buffer, Unset), "none");
  // The right end, drawn after the left one, covers it from R = 8 on.
  EXPECT_EQ(buffer.Pixel(7, 0), Left);
  EXPECT_EQ(buffer.Pixel(8, 0), Right);
  EXPECT_EQ(buffer.Pixel(29, 94), Right);
  EXPECT_EQ(Extent(buffer, Title), "0-29,20-85") << "a title wider than the buffer is clipped on both sides";
}

TEST(ComposeBackground, RealImagesPixelForPixel) {
  TBitmap32 texture, left, right, middle, logo, title, panels;
  LoadBackgroundImages({&texture, &left, &right, &middle, &logo, &title, &panels});
  TBitmap32 buffer(954, 579, Unset);
  ComposeBackground(buffer, {texture, left, right, middle, logo, title, panels});

  // The image each pixel must come from, in the order of the region table (later rows win).
  auto expected = [&](int x, int y) -> uint32_t {
    if (y >= 567) return texture.Pixel(x % 128, y % 128);
    if (y >= 95) return panels.Pixel(x + 3, y - 95);
    if (x >= 227 && x <= 726 && y >= 20 && y <= 85) return title.Pixel(x - 227, y - 20);
    if (x >= 17 && x <= 88 && y >= 15 && y <= 84) return logo.Pixel(x - 17, y - 15);
    if (x <= 21) return left.Pixel(x, y);
    if (x >= 932) return right.Pixel(x - 932, y);
    return middle.Pixel(0, y);
  };
  for (int y = 0; y < 579; ++y)
    for (int x = 0; x < 954; ++x) ASSERT_EQ(buffer.Pixel(x, y), expected(x, y)) << x << "," << y;

  // Composing again over a spoilt buffer gives the same picture.
  TBitmap32 again(954, 579, 0xFF00FF00u);
  ComposeBackground(again, {texture, left, right, middle, logo, title, panels});
  EXPECT_TRUE(again == buffer);
}

}  // namespace
