#include "PngDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- A minimal PNG encoder, so every test image is generated here. ----

using Bytes = std::vector<uint8_t>;

struct Chunk
{
    std::string Type;
    Bytes Data;
};

struct TestImage
{
    uint32_t Width = 1, Height = 1;
    uint8_t ColourType = 6, BitDepth = 8;
    bool Interlaced = false;
    std::vector<uint16_t> Samples; // row-major, full bit depth, Channels() per pixel
    Bytes Filters{0};              // filter byte per scanline, cycled
    Bytes Palette;                 // RGB triples; written as PLTE when not empty
    Bytes Trns;                    // written as tRNS when not empty
    size_t IdatPieces = 1;
};

struct Pass
{
    uint32_t X0, Y0, DX, DY;
};

const std::vector<Pass> Adam7Passes = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

unsigned Channels(uint8_t colourType)
{
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

void PutBe32(Bytes& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

void SetBe32(Bytes& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (24 - 8 * i));
}

Bytes Be16s(std::initializer_list<uint16_t> values)
{
    Bytes out;
    for (uint16_t v : values)
    {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    }
    return out;
}

Bytes Serialize(const std::vector<Chunk>& chunks)
{
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Chunk& c : chunks)
    {
        PutBe32(out, uint32_t(c.Data.size()));
        Bytes typed(c.Type.begin(), c.Type.end());
        typed.insert(typed.end(), c.Data.begin(), c.Data.end());
        out.insert(out.end(), typed.begin(), typed.end());
        PutBe32(out, uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
    }
    return out;
}

Bytes Deflate(const Bytes& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

Bytes PackRow(const TestImage& img, uint32_t y, uint32_t x0, uint32_t dx, uint32_t count)
{
    const unsigned ch = Channels(img.ColourType), depth = img.BitDepth;
    Bytes out;
    unsigned acc = 0, bits = 0;
    for (uint32_t i = 0; i < count; ++i)
        for (unsigned c = 0; c < ch; ++c)
        {
            uint16_t v = img.Samples[(size_t(y) * img.Width + x0 + i * dx) * ch + c];
            if (depth == 16)
            {
                out.push_back(uint8_t(v >> 8));
                out.push_back(uint8_t(v));
                continue;
            }
            acc = (acc << depth) | v;
            bits += depth;
            if (bits == 8)
            {
                out.push_back(uint8_t(acc));
                acc = bits = 0;
            }
        }
    if (bits)
        out.push_back(uint8_t(acc << (8 - bits)));
    return out;
}

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

void AppendFiltered(Bytes& out, uint8_t filter, const Bytes& cur, const Bytes& prev, size_t bpp)
{
    out.push_back(filter);
    for (size_t i = 0; i < cur.size(); ++i)
    {
        int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
        out.push_back(uint8_t(cur[i] - predicted));
    }
}

// Filtered scanlines, split into Adam7 passes when interlaced.
Bytes Scanlines(const TestImage& img)
{
    const std::vector<Pass> passes = img.Interlaced ? Adam7Passes : std::vector<Pass>{{0, 0, 1, 1}};
    const size_t bpp = std::max(1u, Channels(img.ColourType) * img.BitDepth / 8);
    Bytes out;
    size_t row = 0;
    for (const Pass& p : passes)
    {
        uint32_t w = img.Width > p.X0 ? (img.Width - p.X0 + p.DX - 1) / p.DX : 0;
        uint32_t h = img.Height > p.Y0 ? (img.Height - p.Y0 + p.DY - 1) / p.DY : 0;
        if (w == 0 || h == 0)
            continue;
        Bytes prev(PackRow(img, 0, 0, 1, w).size(), 0);
        for (uint32_t y = 0; y < h; ++y)
        {
            Bytes cur = PackRow(img, p.Y0 + y * p.DY, p.X0, p.DX, w);
            AppendFiltered(out, img.Filters[row++ % img.Filters.size()], cur, prev, bpp);
            prev = cur;
        }
    }
    return out;
}

std::vector<Chunk> Chunks(const TestImage& img, const Bytes& scanlines)
{
    Bytes ihdr;
    PutBe32(ihdr, img.Width);
    PutBe32(ihdr, img.Height);
    ihdr.insert(ihdr.end(), {img.BitDepth, img.ColourType, 0, 0, uint8_t(img.Interlaced ? 1 : 0)});
    std::vector<Chunk> chunks{{"IHDR", ihdr}};
    if (!img.Palette.empty())
        chunks.push_back({"PLTE", img.Palette});
    if (!img.Trns.empty())
        chunks.push_back({"tRNS", img.Trns});
    const Bytes z = Deflate(scanlines);
    for (size_t i = 0; i < img.IdatPieces; ++i)
        chunks.push_back({"IDAT", Bytes(z.begin() + z.size() * i / img.IdatPieces,
                                        z.begin() + z.size() * (i + 1) / img.IdatPieces)});
    chunks.push_back({"IEND", {}});
    return chunks;
}

Bytes Encode(const TestImage& img)
{
    return Serialize(Chunks(img, Scanlines(img)));
}

Bytes EncodeEdited(const TestImage& img, const std::function<void(std::vector<Chunk>&)>& edit)
{
    std::vector<Chunk> chunks = Chunks(img, Scanlines(img));
    edit(chunks);
    return Serialize(chunks);
}

Chunk& Find(std::vector<Chunk>& chunks, const std::string& type)
{
    for (Chunk& c : chunks)
        if (c.Type == type)
            return c;
    throw std::logic_error("test image has no " + type);
}

size_t IndexOf(const std::vector<Chunk>& chunks, const std::string& type)
{
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].Type == type)
            return i;
    throw std::logic_error("test image has no " + type);
}

size_t FileOffsetOf(const Bytes& file, const std::string& type)
{
    for (size_t pos = 8; pos + 8 <= file.size();)
    {
        if (std::memcmp(&file[pos + 4], type.data(), 4) == 0)
            return pos;
        pos += 12 + ((size_t(file[pos]) << 24) | (file[pos + 1] << 16) | (file[pos + 2] << 8) | file[pos + 3]);
    }
    throw std::logic_error("test file has no " + type);
}

PngImage Decode(const Bytes& file)
{
    return DecodePng(file.data(), file.size());
}

// Palette entry i is (i, 255 - i, i ^ 0x5A).
Bytes TestPalette(size_t entries)
{
    Bytes p;
    for (size_t i = 0; i < entries; ++i)
        p.insert(p.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A)});
    return p;
}

TestImage RandomImage(uint8_t colourType, uint8_t depth, uint32_t w, uint32_t h, unsigned seed)
{
    TestImage img;
    img.Width = w;
    img.Height = h;
    img.ColourType = colourType;
    img.BitDepth = depth;
    if (colourType == 3)
        img.Palette = TestPalette(size_t(1) << depth);
    std::mt19937 rng(seed);
    img.Samples.resize(size_t(w) * h * Channels(colourType));
    for (uint16_t& s : img.Samples)
        s = uint16_t(rng() & ((1u << depth) - 1));
    return img;
}

// Independent model of the expected output for images without tRNS.
std::vector<uint32_t> ExpectedPixels(const TestImage& img)
{
    const unsigned ch = Channels(img.ColourType), depth = img.BitDepth;
    auto to8 = [&](uint32_t v) { return depth == 16 ? v >> 8 : v * 255 / ((1u << depth) - 1); };
    std::vector<uint32_t> out;
    for (size_t i = 0; i < size_t(img.Width) * img.Height; ++i)
    {
        const uint16_t* s = &img.Samples[i * ch];
        uint32_t a = 255, r, g, b;
        switch (img.ColourType)
        {
        case 0: r = g = b = to8(s[0]); break;
        case 2: r = to8(s[0]), g = to8(s[1]), b = to8(s[2]); break;
        case 3: r = img.Palette[3 * s[0]], g = img.Palette[3 * s[0] + 1], b = img.Palette[3 * s[0] + 2]; break;
        case 4: r = g = b = to8(s[0]), a = to8(s[1]); break;
        default: r = to8(s[0]), g = to8(s[1]), b = to8(s[2]), a = to8(s[3]); break;
        }
        out.push_back((a << 24) | (r << 16) | (g << 8) | b);
    }
    return out;
}

const std::vector<std::pair<uint8_t, uint8_t>> AllFormats = {
    {0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
    {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

std::string FormatName(uint8_t type, uint8_t depth)
{
    return "colour type " + std::to_string(type) + ", depth " + std::to_string(depth);
}

// ---- Tests ----

TEST(PngDecoderTest, DecodesKnownPixelsForEveryColourTypeDepthAndTransparency)
{
    struct Case
    {
        const char* Name;
        uint8_t ColourType, BitDepth;
        uint32_t Width, Height;
        std::vector<uint16_t> Samples;
        Bytes Trns;
        std::vector<uint32_t> Expected;
    };
    const std::vector<Case> cases = {
        {"grey 1", 0, 1, 3, 2, {0, 1, 1, 1, 0, 1}, {},
         {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {"grey 2", 0, 2, 3, 2, {0, 1, 2, 3, 2, 1}, {},
         {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF, 0xFFAAAAAA, 0xFF555555}},
        {"grey 4", 0, 4, 3, 2, {0, 5, 15, 8, 1, 14}, {},
         {0xFF000000, 0xFF555555, 0xFFFFFFFF, 0xFF888888, 0xFF111111, 0xFFEEEEEE}},
        {"grey 8", 0, 8, 3, 1, {0x00, 0x7F, 0xFF}, {}, {0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF}},
        {"grey 16 keeps high byte", 0, 16, 4, 1, {0x0000, 0x12FF, 0xFFFF, 0x8001}, {},
         {0xFF000000, 0xFF121212, 0xFFFFFFFF, 0xFF808080}},
        {"rgb 8", 2, 8, 2, 1, {0x11, 0x22, 0x33, 0xFE, 0x80, 0x01}, {}, {0xFF112233, 0xFFFE8001}},
        {"rgb 16", 2, 16, 2, 1, {0x1234, 0x5678, 0x9ABC, 0xFFFF, 0x00FF, 0x0100}, {}, {0xFF12569A, 0xFFFF0001}},
        {"palette 1", 3, 1, 3, 2, {0, 1, 1, 1, 0, 0}, {},
         {0xFF00FF5A, 0xFF01FE5B, 0xFF01FE5B, 0xFF01FE5B, 0xFF00FF5A, 0xFF00FF5A}},
        {"palette 2", 3, 2, 3, 2, {0, 1, 2, 3, 2, 1}, {},
         {0xFF00FF5A, 0xFF01FE5B, 0xFF02FD58, 0xFF03FC59, 0xFF02FD58, 0xFF01FE5B}},
        {"palette 4", 3, 4, 3, 1, {0, 15, 7}, {}, {0xFF00FF5A, 0xFF0FF055, 0xFF07F85D}},
        {"palette 8", 3, 8, 3, 1, {0, 128, 255}, {}, {0xFF00FF5A, 0xFF807FDA, 0xFFFF00A5}},
        {"grey+alpha 8", 4, 8, 2, 1, {0x40, 0x80, 0xFF, 0x00}, {}, {0x80404040, 0x00FFFFFF}},
        {"grey+alpha 16", 4, 16, 2, 1, {0x40FF, 0x8000, 0xFF00, 0x0001}, {}, {0x80404040, 0x00FFFFFF}},
        {"rgba 8", 6, 8, 2, 1, {1, 2, 3, 4, 0xFF, 0xFE, 0xFD, 0xFC}, {}, {0x04010203, 0xFCFFFEFD}},
        {"rgba 16", 6, 16, 2, 1, {0x0102, 0x0304, 0x0506, 0x0708, 0xF0F1, 0xE0E1, 0xD0D1, 0x00FF}, {},
         {0x07010305, 0x00F0E0D0}},
        {"palette tRNS shorter than palette", 3, 2, 4, 1, {0, 1, 2, 3}, {0x00, 0x80},
         {0x0000FF5A, 0x8001FE5B, 0xFF02FD58, 0xFF03FC59}},
        {"grey 8 tRNS key", 0, 8, 2, 1, {0x80, 0x81}, Be16s({0x0080}), {0x00808080, 0xFF818181}},
        {"grey 2 tRNS key", 0, 2, 2, 1, {2, 3}, Be16s({2}), {0x00AAAAAA, 0xFFFFFFFF}},
        {"grey 16 tRNS key compared before reduction", 0, 16, 2, 1, {0x1234, 0x1235}, Be16s({0x1234}),
         {0x00121212, 0xFF121212}},
        {"rgb 8 tRNS key", 2, 8, 2, 1, {0x10, 0x20, 0x30, 0x10, 0x20, 0x31}, Be16s({0x10, 0x20, 0x30}),
         {0x00102030, 0xFF102031}},
        {"rgb 16 tRNS key compared before reduction", 2, 16, 2, 1, {0x1000, 0x2000, 0x3000, 0x1000, 0x2000, 0x3001},
         Be16s({0x1000, 0x2000, 0x3000}), {0x00102030, 0xFF102030}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        TestImage img;
        img.Width = c.Width;
        img.Height = c.Height;
        img.ColourType = c.ColourType;
        img.BitDepth = c.BitDepth;
        img.Samples = c.Samples;
        img.Trns = c.Trns;
        if (c.ColourType == 3)
            img.Palette = TestPalette(size_t(1) << c.BitDepth);
        PngImage out = Decode(Encode(img));
        EXPECT_EQ(out.Width, c.Width);
        EXPECT_EQ(out.Height, c.Height);
        EXPECT_EQ(out.Pixels, c.Expected);
    }
}

TEST(PngDecoderTest, FiltersMatchHandComputedRows)
{
    // 8-bit grey, two pixels per row; scanlines written by hand.
    struct Case
    {
        const char* Name;
        Bytes Scanlines;
        std::vector<uint8_t> Grey;
    };
    const std::vector<Case> cases = {
        {"sub", {1, 7, 9}, {7, 16}},
        {"up on first row sees zeros", {2, 7, 9}, {7, 9}},
        {"up", {0, 7, 9, 2, 250, 1}, {7, 9, 1, 10}},
        {"average on first row uses left only", {3, 8, 9}, {8, 13}},
        {"average sum exceeds a byte", {0, 200, 250, 3, 10, 0}, {200, 250, 110, 180}},
        {"paeth on first row acts as sub", {4, 7, 9}, {7, 16}},
        {"paeth tie of left and upper-left picks left", {0, 10, 13, 4, 250, 1}, {10, 13, 4, 5}},
        {"paeth tie of up and upper-left picks up", {0, 10, 4, 4, 3, 1}, {10, 4, 13, 5}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        TestImage img;
        img.Width = 2;
        img.Height = uint32_t(c.Grey.size() / 2);
        img.ColourType = 0;
        PngImage out = Decode(Serialize(Chunks(img, c.Scanlines)));
        std::vector<uint8_t> grey;
        for (uint32_t px : out.Pixels)
            grey.push_back(uint8_t(px));
        EXPECT_EQ(grey, c.Grey);
    }
}

TEST(PngDecoderTest, EveryFilterTypeDecodesToTheRawImage)
{
    const std::vector<Bytes> filterSets = {{0}, {1}, {2}, {3}, {4}, {0, 1, 2, 3, 4}};
    unsigned seed = 1;
    for (const auto& [type, depth] : AllFormats)
        for (const Bytes& filters : filterSets)
        {
            SCOPED_TRACE(FormatName(type, depth) + ", first filter " + std::to_string(filters[0]) +
                         (filters.size() > 1 ? " (cycled)" : ""));
            TestImage img = RandomImage(type, depth, 11, 6, seed++);
            img.Filters = filters;
            EXPECT_EQ(Decode(Encode(img)).Pixels, ExpectedPixels(img));
        }
}

TEST(PngDecoderTest, Adam7InterlacedMatchesTheSameImage)
{
    const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{1, 1}, {7, 5}, {9, 9}, {17, 3}, {2, 11}};
    unsigned seed = 100;
    for (const auto& [type, depth] : AllFormats)
        for (const auto& [w, h] : sizes)
        {
            SCOPED_TRACE(FormatName(type, depth) + ", " + std::to_string(w) + "x" + std::to_string(h));
            TestImage img = RandomImage(type, depth, w, h, seed++);
            img.Filters = {0, 1, 2, 3, 4};
            const Bytes flat = Encode(img);
            img.Interlaced = true;
            const Bytes interlaced = Encode(img);
            ASSERT_NE(flat, interlaced);
            PngImage out = Decode(interlaced);
            EXPECT_EQ(out.Width, w);
            EXPECT_EQ(out.Height, h);
            EXPECT_EQ(out.Pixels, ExpectedPixels(img));
            EXPECT_EQ(Decode(flat).Pixels, out.Pixels);
        }
}

TEST(PngDecoderTest, IdatSplitAcrossChunksAndAncillaryChunksSkipped)
{
    TestImage img = RandomImage(6, 8, 13, 9, 7);
    img.Filters = {4, 1};
    const std::vector<uint32_t> expected = ExpectedPixels(img);
    const size_t compressedSize = Deflate(Scanlines(img)).size();
    // More pieces than bytes also yields empty IDAT chunks.
    for (size_t pieces : {size_t(2), size_t(5), compressedSize, compressedSize + 3})
    {
        SCOPED_TRACE(std::to_string(pieces) + " IDAT chunks");
        img.IdatPieces = pieces;
        Bytes file = EncodeEdited(img, [](std::vector<Chunk>& chunks) {
            chunks.insert(chunks.begin() + 1, Chunk{"tEXt", {'a', 0, 'b'}});
            chunks.insert(chunks.end() - 1, Chunk{"prVt", {1, 2, 3}});
        });
        EXPECT_EQ(Decode(file).Pixels, expected);
    }
}

TEST(PngDecoderTest, CompositeOverWhiteBlendsByAlpha)
{
    PngImage img;
    img.Width = 6;
    img.Height = 1;
    img.Pixels = {0x00123456, 0xFF123456, 0x8000FF40, 0x01FF0000, 0x7F000000, 0xC8101010};
    CompositeOverWhite(img);
    // (c*a + 255*(255-a) + 127) / 255 per channel; the last pixel needs the rounding term.
    const std::vector<uint32_t> expected = {0xFFFFFFFF, 0xFF123456, 0xFF7FFF9F, 0xFFFFFEFE, 0xFF808080, 0xFF444444};
    EXPECT_EQ(img.Pixels, expected);
}

TEST(PngDecoderTest, RejectsBrokenInputs)
{
    const TestImage rgba = RandomImage(6, 8, 4, 3, 42);
    TestImage palette = RandomImage(3, 8, 4, 3, 43);
    for (uint16_t& s : palette.Samples)
        s %= 4;
    palette.Palette = TestPalette(4);

    auto ihdr = [&](std::function<void(Bytes&)> edit) {
        return EncodeEdited(rgba, [&](std::vector<Chunk>& c) { edit(Find(c, "IHDR").Data); });
    };
    auto withScanlines = [&](std::function<void(Bytes&)> edit) {
        Bytes lines = Scanlines(rgba);
        edit(lines);
        return Serialize(Chunks(rgba, lines));
    };
    auto zlibData = [&](std::function<void(Bytes&)> edit) {
        return EncodeEdited(rgba, [&](std::vector<Chunk>& c) { edit(Find(c, "IDAT").Data); });
    };
    auto bytes = [&](std::function<void(Bytes&)> edit) {
        Bytes file = Encode(rgba);
        edit(file);
        return file;
    };

    struct Case
    {
        const char* Name;
        std::function<Bytes()> Make;
        const char* MessagePart;
    };
    const std::vector<Case> cases = {
        {"empty", [] { return Bytes{}; }, "signature"},
        {"bad signature", [&] { return bytes([](Bytes& f) { f[1] = 'X'; }); }, "signature"},
        {"signature only", [&] { return bytes([](Bytes& f) { f.resize(8); }); }, "IHDR"},
        {"truncated in the middle of a chunk",
         [&] { return bytes([](Bytes& f) { f.resize(FileOffsetOf(f, "IDAT") + 8 + 10); }); }, "past end"},
        {"truncated inside a chunk header", [&] { return bytes([](Bytes& f) { f.resize(8 + 25 + 5); }); },
         "truncated"},
        {"length field past end",
         [&] { return bytes([](Bytes& f) { SetBe32(f, FileOffsetOf(f, "IDAT"), uint32_t(f.size())); }); },
         "truncated"},
        {"length above 2^31-1",
         [&] { return bytes([](Bytes& f) { SetBe32(f, FileOffsetOf(f, "IDAT"), 0x80000000u); }); }, "2^31-1"},
        {"wrong CRC", [&] { return bytes([](Bytes& f) { f[FileOffsetOf(f, "IDAT") - 1] ^= 1; }); }, "CRC"},
        {"invalid chunk type", [&] { return bytes([](Bytes& f) { f[FileOffsetOf(f, "IDAT") + 5] = '1'; }); },
         "chunk type"},
        {"missing IHDR", [&] { return EncodeEdited(rgba, [](auto& c) { c.erase(c.begin()); }); }, "IHDR"},
        {"IHDR too short", [&] { return ihdr([](Bytes& d) { d.pop_back(); }); }, "IHDR"},
        {"duplicate IHDR", [&] { return EncodeEdited(rgba, [](auto& c) { c.insert(c.begin() + 1, c[0]); }); },
         "IHDR"},
        {"zero width", [&] { return ihdr([](Bytes& d) { SetBe32(d, 0, 0); }); }, "dimensions"},
        {"zero height", [&] { return ihdr([](Bytes& d) { SetBe32(d, 4, 0); }); }, "dimensions"},
        {"width above 2^31-1", [&] { return ihdr([](Bytes& d) { SetBe32(d, 0, 0x80000000u); }); }, "dimensions"},
        {"width above the cap", [&] { return ihdr([](Bytes& d) { SetBe32(d, 0, 16385); }); }, "too large"},
        {"width x height above the pixel cap",
         [&] { return ihdr([](Bytes& d) { SetBe32(d, 0, 16384);
                                       SetBe32(d, 4, 16384); }); }, "too large"},
        {"large image with tiny data",
         [&] { return ihdr([](Bytes& d) { SetBe32(d, 0, 16384);
                                       SetBe32(d, 4, 4096);
                                       d[8] = 16; }); },
         "too short"},
        {"colour type 5", [&] { return ihdr([](Bytes& d) { d[9] = 5; }); }, "colour type"},
        {"depth 4 for RGBA", [&] { return ihdr([](Bytes& d) { d[8] = 4; }); }, "bit depth"},
        {"depth 16 for palette", [&] { return ihdr([](Bytes& d) { d[8] = 16, d[9] = 3; }); }, "bit depth"},
        {"depth 3 for grey", [&] { return ihdr([](Bytes& d) { d[8] = 3, d[9] = 0; }); }, "bit depth"},
        {"compression method 1", [&] { return ihdr([](Bytes& d) { d[10] = 1; }); }, "compression"},
        {"filter method 1", [&] { return ihdr([](Bytes& d) { d[11] = 1; }); }, "filter method"},
        {"interlace method 2", [&] { return ihdr([](Bytes& d) { d[12] = 2; }); }, "interlace"},
        {"palette image without PLTE",
         [&] { return EncodeEdited(palette, [](auto& c) { c.erase(c.begin() + IndexOf(c, "PLTE")); }); }, "PLTE"},
        {"PLTE length not a multiple of 3",
         [&] { return EncodeEdited(palette, [](auto& c) { Find(c, "PLTE").Data.pop_back(); }); }, "PLTE"},
        {"empty PLTE", [&] { return EncodeEdited(palette, [](auto& c) { Find(c, "PLTE").Data.clear(); }); },
         "PLTE"},
        {"PLTE with 257 entries",
         [&] { return EncodeEdited(palette, [](auto& c) { Find(c, "PLTE").Data = TestPalette(257); }); }, "PLTE"},
        {"palette index out of range",
         [&] {
             TestImage p = palette;
             p.Samples.back() = 4;
             return Encode(p);
         },
         "palette index"},
        {"tRNS longer than the palette",
         [&] {
             TestImage p = palette;
             p.Trns = Bytes(5, 0x80);
             return Encode(p);
         },
         "tRNS"},
        {"tRNS in an image with alpha",
         [&] {
             TestImage p = rgba;
             p.Trns = Be16s({1, 2, 3});
             return Encode(p);
         },
         "tRNS"},
        // Scanlines of the 4-pixel RGBA image are 1 + 16 bytes; 17 is the second row's filter byte.
        {"bad filter byte", [&] { return withScanlines([](Bytes& s) { s[17] = 5; }); }, "filter type"},
        {"inflated data too short", [&] { return withScanlines([](Bytes& s) { s.pop_back(); }); }, "shorter"},
        {"inflated data too long", [&] { return withScanlines([](Bytes& s) { s.push_back(0); }); }, "longer"},
        {"corrupt zlib header", [&] { return zlibData([](Bytes& z) { z[0] ^= 0x01; }); }, "zlib"},
        {"zlib checksum mismatch", [&] { return zlibData([](Bytes& z) { z.back() ^= 0x01; }); }, "zlib"},
        {"zlib checksum missing", [&] { return zlibData([](Bytes& z) { z.resize(z.size() - 4); }); }, "zlib"},
        {"zlib stream cut in half", [&] { return zlibData([](Bytes& z) { z.resize(z.size() / 2); }); },
         "truncated"},
        {"missing IDAT", [&] { return EncodeEdited(rgba, [](auto& c) { c.erase(c.begin() + IndexOf(c, "IDAT")); }); },
         "IDAT"},
        {"IDAT chunks not consecutive",
         [&] {
             TestImage p = rgba;
             p.IdatPieces = 2;
             return EncodeEdited(p, [](auto& c) { c.insert(c.begin() + IndexOf(c, "IDAT") + 1, Chunk{"tEXt", {}}); });
         },
         "consecutive"},
        {"missing IEND", [&] { return EncodeEdited(rgba, [](auto& c) { c.pop_back(); }); }, "IEND"},
        {"unknown critical chunk",
         [&] { return EncodeEdited(rgba, [](auto& c) { c.insert(c.begin() + 1, Chunk{"ABCD", {1, 2}}); }); },
         "critical"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const Bytes file = c.Make();
        try
        {
            DecodePng(file.data(), file.size());
            ADD_FAILURE() << "no EPngError thrown";
        }
        catch (const EPngError& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.MessagePart), std::string::npos) << e.what();
        }
    }
}

TEST(PngDecoderTest, RejectsEveryTruncation)
{
    TestImage img = RandomImage(3, 2, 5, 4, 9);
    img.Trns = {0, 0x40};
    img.Interlaced = true;
    img.IdatPieces = 2;
    const Bytes file = EncodeEdited(img, [](std::vector<Chunk>& c) { c.insert(c.end() - 1, Chunk{"tEXt", {'x'}}); });
    ASSERT_EQ(Decode(file).Pixels.size(), 20u);
    for (size_t length = 0; length < file.size(); ++length)
    {
        // Exact-size copy so a sanitizer sees any read past the end.
        const Bytes cut(file.begin(), file.begin() + length);
        EXPECT_THROW(DecodePng(cut.data(), cut.size()), EPngError) << "length " << length;
    }
}

} // namespace
