#include "PngDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr uint32_t MaxDimension = 16384;
constexpr uint64_t MaxPixels = 64ull * 1024 * 1024;
constexpr uint32_t MaxChunkLength = 0x7FFFFFFFu;
// Deflate cannot expand data by more than 1032:1, so a larger claimed image
// with little compressed data is rejected before anything is allocated.
constexpr uint64_t MaxDeflateRatio = 1032;
constexpr uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

[[noreturn]] void Fail(const std::string& message)
{
    throw EPngError("Invalid PNG image: " + message);
}

uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint16_t ReadBe16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

struct Header
{
    uint32_t Width = 0, Height = 0;
    unsigned BitDepth = 0, ColourType = 0, Interlace = 0, Channels = 0;
};

unsigned ChannelCount(unsigned colourType)
{
    switch (colourType)
    {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: return 0;
    }
}

bool BitDepthAllowed(unsigned colourType, unsigned depth)
{
    switch (colourType)
    {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return depth == 8 || depth == 16;
    }
}

Header ParseHeader(const uint8_t* d, uint32_t length)
{
    if (length != 13)
        Fail("IHDR chunk has length " + std::to_string(length) + ", expected 13");
    Header h;
    h.Width = ReadBe32(d);
    h.Height = ReadBe32(d + 4);
    h.BitDepth = d[8];
    h.ColourType = d[9];
    if (h.Width == 0 || h.Height == 0 || h.Width > MaxChunkLength || h.Height > MaxChunkLength)
        Fail("invalid image dimensions " + std::to_string(h.Width) + "x" + std::to_string(h.Height));
    if (h.Width > MaxDimension || h.Height > MaxDimension || uint64_t(h.Width) * h.Height > MaxPixels)
        Fail("image too large (" + std::to_string(h.Width) + "x" + std::to_string(h.Height) + ")");
    h.Channels = ChannelCount(h.ColourType);
    if (h.Channels == 0)
        Fail("invalid colour type " + std::to_string(h.ColourType));
    if (!BitDepthAllowed(h.ColourType, h.BitDepth))
        Fail("invalid bit depth " + std::to_string(h.BitDepth) + " for colour type " + std::to_string(h.ColourType));
    if (d[10] != 0)
        Fail("unsupported compression method " + std::to_string(d[10]));
    if (d[11] != 0)
        Fail("unsupported filter method " + std::to_string(d[11]));
    if (d[12] > 1)
        Fail("unsupported interlace method " + std::to_string(d[12]));
    h.Interlace = d[12];
    return h;
}

struct Pass
{
    uint32_t X0, Y0, DX, DY;
};

constexpr Pass FullImage[1] = {{0, 0, 1, 1}};
constexpr Pass Adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t PassExtent(uint32_t full, uint32_t start, uint32_t step)
{
    return full > start ? (full - start + step - 1) / step : 0;
}

uint64_t RowBytes(const Header& h, uint32_t width)
{
    return (uint64_t(width) * h.Channels * h.BitDepth + 7) / 8;
}

// Dimensions are capped, so this cannot overflow 64 bits.
uint64_t ExpectedRawSize(const Header& h, const Pass* passes, size_t passCount)
{
    uint64_t total = 0;
    for (size_t i = 0; i < passCount; ++i)
    {
        uint32_t w = PassExtent(h.Width, passes[i].X0, passes[i].DX);
        uint32_t rows = PassExtent(h.Height, passes[i].Y0, passes[i].DY);
        if (w != 0 && rows != 0)
            total += uint64_t(rows) * (RowBytes(h, w) + 1);
    }
    return total;
}

std::string ZlibMessage(const z_stream& zs, const char* fallback)
{
    return std::string("corrupt zlib image data (") + (zs.msg ? zs.msg : fallback) + ")";
}

// Inflates the image data a scanline at a time: the whole decompressed image is never held, which
// spares the large artwork a second image's worth of fresh memory at the program's start.
class RowInflater
{
public:
    RowInflater(const std::vector<uint8_t>& input, size_t expected) : input_(input), expected_(expected)
    {
        std::memset(&zs_, 0, sizeof zs_);
        if (inflateInit(&zs_) != Z_OK)
            throw EPngError("Cannot initialise zlib inflate");
    }
    ~RowInflater() { inflateEnd(&zs_); }
    RowInflater(const RowInflater&) = delete;
    RowInflater& operator=(const RowInflater&) = delete;

    // Fills out[0, size) with the next decompressed bytes.
    void Read(uint8_t* out, size_t size)
    {
        size_t got = 0;
        while (got < size)
        {
            if (ended_)
                Fail("decompressed image data is shorter than expected (" + std::to_string(produced_) + " of " +
                     std::to_string(expected_) + " bytes)");
            got += Step(out + got, size - got);
        }
    }

    // After the last scanline the stream must end, with nothing more in it.
    void Finish()
    {
        uint8_t probe = 0;
        while (!ended_)
            if (Step(&probe, 1) != 0)
                Fail("decompressed image data is longer than expected");
    }

private:
    size_t Step(uint8_t* out, size_t room)
    {
        // zlib counts in uInt: the input goes in slices that always fit; a scanline always does.
        constexpr size_t Slice = size_t(1) << 30;
        if (zs_.avail_in == 0 && inPos_ < input_.size())
        {
            const size_t n = std::min(Slice, input_.size() - inPos_);
            zs_.next_in = const_cast<Bytef*>(input_.data() + inPos_);
            zs_.avail_in = uInt(n);
            inPos_ += n;
        }
        zs_.next_out = out;
        zs_.avail_out = uInt(room);
        const int rc = inflate(&zs_, Z_NO_FLUSH);
        const size_t produced = room - zs_.avail_out;
        produced_ += produced;
        if (rc == Z_STREAM_END)
            ended_ = true;
        else if (rc == Z_BUF_ERROR && zs_.avail_in == 0 && inPos_ == input_.size())
        {
            if (produced_ < expected_)
                Fail("image data is truncated, decompressed data is shorter than expected (" +
                     std::to_string(produced_) + " of " + std::to_string(expected_) + " bytes)");
            Fail("zlib image data stream is incomplete");
        }
        else if (rc == Z_MEM_ERROR)
            throw std::bad_alloc();
        else if (rc != Z_OK)
            Fail(ZlibMessage(zs_, "inflate failed"));
        return produced;
    }

    const std::vector<uint8_t>& input_;
    const size_t expected_;
    z_stream zs_;
    size_t inPos_ = 0;
    size_t produced_ = 0;
    bool ended_ = false;
};

uint8_t PaethPredictor(int a, int b, int c)
{
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// One scanline in place, by its filter type; 'prev' is the unfiltered line above, none for a pass's first.
void UnfilterRow(uint8_t filter, uint8_t* cur, const uint8_t* prev, size_t rowBytes, size_t bpp)
{
    switch (filter)
    {
    case 0:
        break;
    case 1:
        for (size_t i = bpp; i < rowBytes; ++i)
            cur[i] = uint8_t(cur[i] + cur[i - bpp]);
        break;
    case 2:
        if (prev)
            for (size_t i = 0; i < rowBytes; ++i)
                cur[i] = uint8_t(cur[i] + prev[i]);
        break;
    case 3:
        for (size_t i = 0; i < rowBytes; ++i)
        {
            unsigned left = i >= bpp ? cur[i - bpp] : 0;
            unsigned up = prev ? prev[i] : 0;
            cur[i] = uint8_t(cur[i] + (left + up) / 2);
        }
        break;
    case 4:
        for (size_t i = 0; i < rowBytes; ++i)
        {
            int left = i >= bpp ? cur[i - bpp] : 0;
            int up = prev ? prev[i] : 0;
            int upLeft = (prev && i >= bpp) ? prev[i - bpp] : 0;
            cur[i] = uint8_t(cur[i] + PaethPredictor(left, up, upLeft));
        }
        break;
    default:
        Fail("invalid filter type " + std::to_string(filter));
    }
}

uint32_t Sample(const uint8_t* row, size_t index, unsigned depth)
{
    if (depth == 8)
        return row[index];
    if (depth == 16)
        return ReadBe16(row + 2 * index);
    size_t bit = index * depth;
    unsigned shift = 8 - depth - unsigned(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << depth) - 1);
}

uint32_t To8Bits(uint32_t value, unsigned depth)
{
    if (depth == 16)
        return value >> 8;
    if (depth == 8)
        return value;
    return value * 255 / ((1u << depth) - 1);
}

struct ColourInfo
{
    std::array<uint32_t, 256> Palette{}; // ARGB, alpha from tRNS
    size_t PaletteSize = 0;
    bool HasKey = false;
    uint16_t Key[3] = {0, 0, 0};
};

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Writes 'count' pixels of one scanline to out[0], out[step], out[2*step]...
void ConvertRow(const Header& h, const ColourInfo& ci, const uint8_t* row, uint32_t count, uint32_t* out, size_t step)
{
    const unsigned d = h.BitDepth;
    // The artwork's own kinds, 8-bit RGBA and RGB without a colour key, read straight from the bytes:
    // the general path below costs the larger images a good part of the program's start.
    if (d == 8 && h.ColourType == 6)
    {
        for (uint32_t x = 0; x < count; ++x, out += step, row += 4)
            *out = Argb(row[3], row[0], row[1], row[2]);
        return;
    }
    if (d == 8 && h.ColourType == 2 && !ci.HasKey)
    {
        for (uint32_t x = 0; x < count; ++x, out += step, row += 3)
            *out = Argb(255, row[0], row[1], row[2]);
        return;
    }
    for (uint32_t x = 0; x < count; ++x, out += step)
    {
        size_t s = size_t(x) * h.Channels;
        switch (h.ColourType)
        {
        case 0:
        {
            uint32_t v = Sample(row, s, d);
            uint32_t g = To8Bits(v, d);
            *out = Argb(ci.HasKey && v == ci.Key[0] ? 0 : 255, g, g, g);
            break;
        }
        case 2:
        {
            uint32_t r = Sample(row, s, d), g = Sample(row, s + 1, d), b = Sample(row, s + 2, d);
            bool keyed = ci.HasKey && r == ci.Key[0] && g == ci.Key[1] && b == ci.Key[2];
            *out = Argb(keyed ? 0 : 255, To8Bits(r, d), To8Bits(g, d), To8Bits(b, d));
            break;
        }
        case 3:
        {
            uint32_t index = Sample(row, s, d);
            if (index >= ci.PaletteSize)
                Fail("palette index " + std::to_string(index) + " out of range (palette has " +
                     std::to_string(ci.PaletteSize) + " entries)");
            *out = ci.Palette[index];
            break;
        }
        case 4:
        {
            uint32_t g = To8Bits(Sample(row, s, d), d);
            *out = Argb(To8Bits(Sample(row, s + 1, d), d), g, g, g);
            break;
        }
        default: // 6
            *out = Argb(To8Bits(Sample(row, s + 3, d), d), To8Bits(Sample(row, s, d), d),
                        To8Bits(Sample(row, s + 1, d), d), To8Bits(Sample(row, s + 2, d), d));
            break;
        }
    }
}

bool IsChunk(const uint8_t* type, const char* name)
{
    return std::memcmp(type, name, 4) == 0;
}

bool IsLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

PngImage Decode(const uint8_t* data, size_t size)
{
    if (size < sizeof Signature || !data || std::memcmp(data, Signature, sizeof Signature) != 0)
        Fail("not a PNG file (signature missing or wrong)");

    Header h;
    ColourInfo ci;
    bool haveHeader = false, havePalette = false, haveTrns = false, haveEnd = false;
    enum { NoIdatYet, InIdat, AfterIdat } idatState = NoIdatYet;
    std::vector<uint8_t> compressed;

    size_t pos = sizeof Signature;
    while (pos < size)
    {
        if (size - pos < 12)
            Fail("file truncated inside a chunk header");
        const uint32_t length = ReadBe32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = data + pos + 8;
        if (!IsLetter(type[0]) || !IsLetter(type[1]) || !IsLetter(type[2]) || !IsLetter(type[3]))
            Fail("invalid chunk type");
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (length > MaxChunkLength)
            Fail("chunk '" + name + "' length " + std::to_string(length) + " exceeds 2^31-1");
        if (length > size - pos - 12)
            Fail("file truncated, chunk '" + name + "' extends past end of data");
        uLong crc = crc32(crc32(0L, Z_NULL, 0), type, uInt(4 + length));
        if (crc != ReadBe32(body + length))
            Fail("CRC mismatch in chunk '" + name + "'");
        pos += 12 + size_t(length);

        if (!haveHeader && !IsChunk(type, "IHDR"))
            Fail("first chunk is '" + name + "', expected IHDR");
        if (idatState == InIdat && !IsChunk(type, "IDAT"))
            idatState = AfterIdat;

        if (IsChunk(type, "IHDR"))
        {
            if (haveHeader)
                Fail("duplicate IHDR chunk");
            h = ParseHeader(body, length);
            haveHeader = true;
        }
        else if (IsChunk(type, "PLTE"))
        {
            if (havePalette)
                Fail("duplicate PLTE chunk");
            if (idatState != NoIdatYet)
                Fail("PLTE chunk after image data");
            if (h.ColourType == 0 || h.ColourType == 4)
                Fail("PLTE chunk not allowed in a greyscale image");
            if (length == 0 || length % 3 != 0 || length / 3 > 256)
                Fail("PLTE chunk has invalid length " + std::to_string(length));
            ci.PaletteSize = length / 3;
            for (size_t i = 0; i < ci.PaletteSize; ++i)
                ci.Palette[i] = Argb(255, body[3 * i], body[3 * i + 1], body[3 * i + 2]);
            havePalette = true;
        }
        else if (IsChunk(type, "tRNS"))
        {
            if (haveTrns)
                Fail("duplicate tRNS chunk");
            if (idatState != NoIdatYet)
                Fail("tRNS chunk after image data");
            if (h.ColourType == 3)
            {
                if (!havePalette)
                    Fail("tRNS chunk before PLTE");
                if (length > ci.PaletteSize)
                    Fail("tRNS chunk has more entries than the palette");
                for (size_t i = 0; i < length; ++i)
                    ci.Palette[i] = (ci.Palette[i] & 0x00FFFFFFu) | (uint32_t(body[i]) << 24);
            }
            else if (h.ColourType == 0 || h.ColourType == 2)
            {
                const uint32_t want = h.ColourType == 0 ? 2 : 6;
                if (length != want)
                    Fail("tRNS chunk has invalid length " + std::to_string(length));
                for (uint32_t i = 0; i < want / 2; ++i)
                    ci.Key[i] = ReadBe16(body + 2 * i);
                ci.HasKey = true;
            }
            else
                Fail("tRNS chunk not allowed for an image with an alpha channel");
            haveTrns = true;
        }
        else if (IsChunk(type, "IDAT"))
        {
            if (idatState == AfterIdat)
                Fail("IDAT chunks are not consecutive");
            if (h.ColourType == 3 && !havePalette)
                Fail("PLTE chunk missing before image data of a palette image");
            compressed.insert(compressed.end(), body, body + length);
            idatState = InIdat;
        }
        else if (IsChunk(type, "IEND"))
        {
            if (length != 0)
                Fail("IEND chunk is not empty");
            haveEnd = true;
            break; // anything after IEND is ignored
        }
        else if (!(type[0] & 0x20))
            Fail("unknown critical chunk '" + name + "'");
        // Unknown ancillary chunks are skipped.
    }

    if (!haveHeader)
        Fail("IHDR chunk missing");
    if (h.ColourType == 3 && !havePalette)
        Fail("PLTE chunk missing in a palette image");
    if (idatState == NoIdatYet)
        Fail("no IDAT chunk");
    if (!haveEnd)
        Fail("IEND chunk missing (file truncated?)");

    const Pass* passes = h.Interlace ? Adam7 : FullImage;
    const size_t passCount = h.Interlace ? 7 : 1;
    const uint64_t expected = ExpectedRawSize(h, passes, passCount);
    if (expected > std::numeric_limits<size_t>::max())
        Fail("image too large");
    if (expected / MaxDeflateRatio > compressed.size())
        Fail("image data too short for the image size");

    PngImage img;
    img.Width = h.Width;
    img.Height = h.Height;
    img.Pixels.resize(size_t(h.Width) * h.Height);

    const size_t bpp = std::max<size_t>(1, size_t(h.Channels) * h.BitDepth / 8);
    // Two scanlines of the widest pass, each with its filter byte: the one being read and the one above.
    const size_t widest = size_t(RowBytes(h, h.Width)) + 1;
    std::vector<uint8_t> lines(2 * widest);
    RowInflater inflater(compressed, size_t(expected));
    for (size_t p = 0; p < passCount; ++p)
    {
        const Pass& pass = passes[p];
        const uint32_t w = PassExtent(h.Width, pass.X0, pass.DX);
        const uint32_t rows = PassExtent(h.Height, pass.Y0, pass.DY);
        if (w == 0 || rows == 0)
            continue;
        const size_t rowBytes = size_t(RowBytes(h, w));
        uint8_t* line = lines.data();
        const uint8_t* above = nullptr;
        for (uint32_t y = 0; y < rows; ++y)
        {
            inflater.Read(line, rowBytes + 1);
            UnfilterRow(line[0], line + 1, above ? above + 1 : nullptr, rowBytes, bpp);
            const size_t outY = size_t(pass.Y0) + size_t(y) * pass.DY;
            ConvertRow(h, ci, line + 1, w, img.Pixels.data() + outY * h.Width + pass.X0, pass.DX);
            above = line;
            line = line == lines.data() ? lines.data() + widest : lines.data();
        }
    }
    inflater.Finish();
    return img;
}

} // namespace

PngImage DecodePng(const uint8_t* data, size_t size)
{
    try
    {
        return Decode(data, size);
    }
    catch (const std::bad_alloc&)
    {
        throw EPngError("Not enough memory to decode PNG image");
    }
}

void CompositeOverWhite(PngImage& img)
{
    for (uint32_t& px : img.Pixels)
    {
        const uint32_t a = px >> 24;
        if (a == 255)
            continue;
        uint32_t result = 0xFF000000u;
        for (int shift = 0; shift <= 16; shift += 8)
        {
            const uint32_t c = (px >> shift) & 0xFF;
            result |= ((c * a + 255 * (255 - a) + 127) / 255) << shift;
        }
        px = result;
    }
}
