#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Decoded image: 0xAARRGGBB, non-premultiplied alpha, row 0 is the top row.
struct PngImage
{
    uint32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
};

class EPngError : public std::runtime_error
{
public:
    using runtime_error::runtime_error;
};

// Decodes a complete PNG file held in memory. Throws EPngError on any fault;
// never reads outside [data, data + size).
PngImage DecodePng(const uint8_t* data, size_t size);

// Blends every pixel over opaque white by its alpha; afterwards all alpha is 255.
void CompositeOverWhite(PngImage& img);
