// Any bytes given to the PNG decoder either decode to a consistent image or end in its own error type.
// Random bytes almost never pass the chunk CRCs and zlib's Adler-32, so besides the input as it is the
// target also decodes it with its CRCs made right, and turns input that is no PNG file into a valid one
// around fuzzed scanlines: that is how filters, bit depths and interlacing meet hostile pixel data.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PngDecoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t Be32(const uint8_t* P) {
  return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3];
}

void PutBe32(Bytes& Out, uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8) Out.push_back(uint8_t(Value >> shift));
}

void PutChunk(Bytes& Out, const char* Type, const Bytes& Body) {
  PutBe32(Out, uint32_t(Body.size()));
  const size_t typeAt = Out.size();
  Out.insert(Out.end(), Type, Type + 4);
  Out.insert(Out.end(), Body.begin(), Body.end());
  PutBe32(Out, uint32_t(crc32(0, Out.data() + typeAt, uInt(4 + Body.size()))));
}

void Decode(const uint8_t* Data, size_t Size) {
  PngImage image;
  try {
    image = DecodePng(Data, Size);
  } catch (const EPngError&) {
    return;
  }
  // A decoded image must be the size it claims, or its users would draw outside it.
  if (image.Width == 0 || image.Height == 0 ||
      image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height) {
    abort();
  }
  CompositeOverWhite(image);
  for (uint32_t pixel : image.Pixels) {
    if ((pixel >> 24) != 0xFF) abort();
  }
}

// The same chunks, each with the CRC its type and body have.
Bytes WithRightCrcs(const uint8_t* Data, size_t Size) {
  Bytes file(Data, Data + Size);
  size_t pos = sizeof Signature;
  while (Size - pos >= 12) {
    const uint32_t length = Be32(&file[pos]);
    if (length > Size - pos - 12) break;
    const uLong crc = crc32(0, &file[pos + 4], uInt(4 + length));
    for (int i = 0; i < 4; ++i) file[pos + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    pos += 12 + size_t(length);
  }
  return file;
}

struct TFormat {
  uint8_t ColourType, BitDepth, Channels;
};

// Every colour type and bit depth a PNG may have.
const TFormat Formats[] = {{0, 1, 1}, {0, 2, 1}, {0, 4, 1}, {0, 8, 1}, {0, 16, 1}, {2, 8, 3}, {2, 16, 3}, {3, 1, 1},
                           {3, 2, 1}, {3, 4, 1}, {3, 8, 1}, {4, 8, 2}, {4, 16, 2}, {6, 8, 4}, {6, 16, 4}};

size_t ScanlineBytes(uint32_t Width, uint32_t Height, const TFormat& Format, bool Interlaced) {
  static const uint32_t Adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  static const uint32_t Whole[1][4] = {{0, 0, 1, 1}};
  const auto* passes = Interlaced ? Adam7 : Whole;
  size_t total = 0;
  for (int p = 0; p < (Interlaced ? 7 : 1); ++p) {
    const uint32_t w = Width > passes[p][0] ? (Width - passes[p][0] + passes[p][2] - 1) / passes[p][2] : 0;
    const uint32_t h = Height > passes[p][1] ? (Height - passes[p][1] + passes[p][3] - 1) / passes[p][3] : 0;
    if (w != 0 && h != 0) total += h * ((size_t(w) * Format.Channels * Format.BitDepth + 7) / 8 + 1);
  }
  return total;
}

// Layout: width, height, format, interlace, palette entries, tRNS length, palette, tRNS, scanlines (cut
// or padded with zeros to the image's size; filter bytes included, so invalid ones occur too).
Bytes MadeAround(const uint8_t* Data, size_t Size) {
  if (Size < 6) return Bytes();
  const uint32_t width = Data[0] % 64 + 1, height = Data[1] % 64 + 1;
  const TFormat& format = Formats[Data[2] % (sizeof Formats / sizeof Formats[0])];
  const bool interlaced = Data[3] & 1;
  const size_t paletteEntries = Data[4], trnsLength = Data[5];
  size_t pos = 6;
  auto take = [&](size_t Count) {
    const size_t n = Count < Size - pos ? Count : Size - pos;
    Bytes part(Data + pos, Data + pos + n);
    pos += n;
    return part;
  };
  const Bytes palette = take(paletteEntries * 3), trns = take(trnsLength);
  Bytes scanlines = take(Size - pos);
  scanlines.resize(ScanlineBytes(width, height, format, interlaced));

  Bytes header;
  PutBe32(header, width);
  PutBe32(header, height);
  header.insert(header.end(), {format.BitDepth, format.ColourType, 0, 0, uint8_t(interlaced)});
  uLongf packedSize = compressBound(uLong(scanlines.size()));
  Bytes packed(packedSize);
  if (compress2(packed.data(), &packedSize, scanlines.data(), uLong(scanlines.size()), 1) != Z_OK) abort();
  packed.resize(packedSize);

  Bytes file(Signature, Signature + sizeof Signature);
  PutChunk(file, "IHDR", header);
  if (!palette.empty()) PutChunk(file, "PLTE", palette);
  if (!trns.empty()) PutChunk(file, "tRNS", trns);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", Bytes());
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size >= sizeof Signature && std::memcmp(Data, Signature, sizeof Signature) == 0) {
    Decode(Data, Size);
    const Bytes repaired = WithRightCrcs(Data, Size);
    Decode(repaired.data(), repaired.size());
  } else {
    Decode(Data, Size);
    const Bytes made = MadeAround(Data, Size);
    if (!made.empty()) Decode(made.data(), made.size());
  }
  return 0;
}
