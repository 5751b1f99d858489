#include "platform/png_chunks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using platform::isPng;
using platform::pngChunksFit;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes signature()
{
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

// A chunk declaring `length` bytes of data and holding `held` of them, then its check value.
void chunk(Bytes& png, const char* type, std::uint32_t length, std::uint32_t held)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(std::uint8_t(length >> shift));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), held, 0);
    png.insert(png.end(), 4, 0);
}

} // namespace

TEST(PngChunks, EveryChunkUpToTheEndMustLieWithinTheBytes)
{
    const struct {
        const char* name;
        Bytes png;
        bool fits;
    } cases[] = {
        {"header and end", [] { Bytes b = signature(); chunk(b, "IHDR", 13, 13); chunk(b, "IEND", 0, 0); return b; }(), true},
        {"no end chunk: the reader stops at the last", [] { Bytes b = signature(); chunk(b, "IHDR", 13, 13); return b; }(), true},
        {"a header cut short", [] { Bytes b = signature(); chunk(b, "IHDR", 13, 13); b.insert(b.end(), {0, 0, 0}); return b; }(), true},
        {"text declaring two gigabytes in 37 bytes",
         [] { Bytes b = signature(); chunk(b, "IHDR", 13, 13); chunk(b, "tEXt", 0x7FFFFFFF, 37); return b; }(), false},
        {"the largest length there is", [] { Bytes b = signature(); chunk(b, "IHDR", 0xFFFFFFFF, 13); return b; }(), false},
        {"image data one byte short", [] { Bytes b = signature(); chunk(b, "IDAT", 100, 99); b.resize(b.size() - 4); return b; }(), false},
        {"anything after the end", [] { Bytes b = signature(); chunk(b, "IEND", 0, 0); chunk(b, "tEXt", 0x7FFFFFFF, 0); return b; }(), true},
        {"not a PNG", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pngChunksFit(c.png), c.fits) << c.name;
    Bytes shortSignature = signature();
    EXPECT_TRUE(isPng(shortSignature));
    shortSignature.pop_back();
    EXPECT_FALSE(isPng(shortSignature));
}
