#include "platform/dib_header.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(DibHeader, FormsOfTheHeader)
{
    struct Row {
        const char* name;
        Bytes bytes;
        int width, height, bitCount;
        std::uint32_t red;           // the red mask
        bool core, masksFollow;
        std::size_t tableOffset;
        std::uint32_t colours;
    };
    const Row rows[] = {
        {"core: 16-bit fields", Bytes().u32(12).u16(300).u16(2).u16(1).u16(8), 300, 2, 8, 0, true, false, 12, 256},
        {"short form: missing fields are 0", Bytes().u32(16).i32(5).i32(-3).u16(1).u16(4), 5, -3, 4, 0, false, false, 16, 16},
        {"40 bytes, 24 bits, colours used", Bytes().infoHeader(7, 7, 24, 0, 0, 3), 7, 7, 24, 0, false, false, 40, 3},
        {"40 bytes, bit fields: masks after it",
         Bytes().infoHeader(2, 2, 16, BI_BITFIELDS).u32(0xF800).u32(0x07E0).u32(0x001F), 2, 2, 16, 0xF800, false, true, 52, 0},
        {"56 bytes: masks inside", Bytes().infoHeader(2, 2, 32, BI_BITFIELDS).u32(0xFF).u32(0xFF00).u32(0xFF0000).u32(0)
                                       .patchU32(0, 56),
         2, 2, 32, 0xFF, false, false, 56, 0},
        {"bit fields with 8 bits: no masks", Bytes().infoHeader(2, 2, 8, BI_BITFIELDS), 2, 2, 8, 0, false, false, 40, 256},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<DibHeader> dib = readDibHeader(row.bytes.data());
        ASSERT_TRUE(dib.has_value());
        EXPECT_EQ(dib->header.biWidth, row.width);
        EXPECT_EQ(dib->header.biHeight, row.height);
        EXPECT_EQ(dib->header.biBitCount, row.bitCount);
        EXPECT_EQ(dib->masks[0], row.red);
        EXPECT_EQ(dib->core, row.core);
        EXPECT_EQ(dib->masksFollow, row.masksFollow);
        EXPECT_EQ(dib->tableOffset(), row.tableOffset);
        EXPECT_EQ(dib->colourCount(), row.colours);
        EXPECT_EQ(dib->entrySize(), row.core ? 3u : 4u);
    }
}

TEST(DibHeader, RefusedWhenTooShortForItsOwnSize)
{
    EXPECT_FALSE(readDibHeader(Bytes().u32(11).zeros(20).data()));
    EXPECT_FALSE(readDibHeader(Bytes().u32(40).zeros(20).data()));
    EXPECT_FALSE(readDibHeader(Bytes().u16(40).data()));
    // A long header needs only the bytes that are read.
    EXPECT_TRUE(readDibHeader(Bytes().u32(124).zeros(48).data()));
}

TEST(DibHeader, ColourTableEntriesOfThreeOrFourBytes)
{
    const Bytes four = Bytes().raw({1, 2, 3, 0xFF, 4, 5, 6, 0xFF});
    EXPECT_EQ(readColourTable(four.data(), 2, 4), (std::vector<RgbQuad>{{1, 2, 3, 0}, {4, 5, 6, 0}}));
    EXPECT_EQ(readColourTable(four.data(), 9, 3), (std::vector<RgbQuad>{{1, 2, 3, 0}, {0xFF, 4, 5, 0}}));
}
