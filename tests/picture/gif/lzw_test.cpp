// The LZW coders: code streams packed by hand, decoded; pictures encoded and decoded back.

#include "support/test_support.h"

#include "gif_test_support.h"
#include "picture/gif/lzw.h"

#include <random>

namespace {

using gif_test::CodePacker;
using gif_test::compressedData;

struct Decoded {
    std::vector<std::uint8_t> pixels;
    gif::LzwDecodeResult result;
};

Decoded decode(const std::vector<std::uint8_t>& data, int bitsPerPixel, std::int64_t pixelCount, std::uint8_t fill = 0xEE)
{
    std::vector<std::uint8_t> out(std::size_t(pixelCount) + gif::lzwOutputSlack, fill);
    const gif::LzwDecodeResult result = gif::decodeLzw(data, bitsPerPixel, out, pixelCount);
    out.resize(std::size_t(pixelCount));
    return {out, result};
}

TEST(RowOrder, InterlacedPassesVisitEveryRowOnce)
{
    struct Row {
        const char* name;
        int height;
        std::vector<int> rows;
    };
    const Row rows[] = {
        {"one row", 1, {0}},
        {"three rows: 0, then 2, then 1", 3, {0, 2, 1}},
        {"five rows", 5, {0, 4, 2, 1, 3}},
        {"eight rows", 8, {0, 4, 2, 6, 1, 3, 5, 7}},
        {"ten rows", 10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const gif::RowOrder order(row.height, true);
        std::vector<int> visited;
        for (int n = 0; n < row.height; ++n)
            visited.push_back(order.row(n));
        EXPECT_EQ(visited, row.rows);
    }
    EXPECT_EQ(gif::RowOrder(3, false).row(2), 2);
}

TEST(LzwDecoder, DecodesRootsEntriesAndTheEntryBeingDefined)
{
    // Minimum code size 2: clear 4, end 5, entries from 6. The codes 1, 2, 6, 8, 3:
    // 1 → "1"; 2 → "2" (entry 6 = "12"); 6 → "12" (entry 7 = "21"); 8 is the entry being
    // defined: "12" + "1" (entry 8 = "121"); 3 → "3" (entry 9 = "1213").
    CodePacker codes(2);
    codes.clear().code(1).code(2).code(6).code(8).code(3).end();
    const Decoded d = decode(compressedData(2, codes), 2, 9);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{1, 2, 1, 2, 1, 2, 1, 3, 0xEE}));
    EXPECT_EQ(d.result.pixels, 8);
    EXPECT_TRUE(d.result.ended);
}

TEST(LzwDecoder, CodeSizeGrowsWhenTheNextEntryReachesTheLimit)
{
    // With minimum code size 2, codes are 3 bits until entry 7 exists (the next free entry is
    // 8), 4 bits until entry 15 exists, then 5 bits. Fourteen roots cross both steps; a decoder
    // that grows a code early or late reads the rest out of step.
    CodePacker codes(2);
    codes.clear();
    for (int i = 0; i < 14; ++i)
        codes.code(i % 4);
    codes.end();
    ASSERT_EQ(codes.codeSize(), 5);
    const Decoded d = decode(compressedData(2, codes), 2, 14);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1}));
    EXPECT_TRUE(d.result.ended);
}

TEST(LzwDecoder, FullTableStopsGrowingAndKeepsTwelveBitCodes)
{
    // Minimum code size 8: entries 258 to 4095 are made by 3839 codes of the root 1 (the first
    // makes none). Each entry is "11". The table is then full: later codes stay 12 bits and
    // decode against the unchanged table.
    CodePacker codes(8);
    codes.clear();
    for (int i = 0; i < 3839; ++i)
        codes.code(1);
    ASSERT_EQ(codes.codeSize(), 12);
    codes.raw(4095, 12).raw(300, 12).raw(7, 12).raw(257, 12);
    const std::int64_t pixels = 3839 + 2 + 2 + 1;
    const Decoded d = decode(compressedData(8, codes), 8, pixels);
    std::vector<std::uint8_t> expected(std::size_t(pixels), 1);
    expected.back() = 7;
    EXPECT_EQ(d.pixels, expected);
    EXPECT_TRUE(d.result.ended);
}

TEST(LzwDecoder, ClearCodesMayFollowOneAnother)
{
    CodePacker codes(2);
    codes.clear().clear().code(3).clear().code(2).end();
    EXPECT_EQ(decode(compressedData(2, codes), 2, 2).pixels, (std::vector<std::uint8_t>{3, 2}));
    // An end code right after a clear ends the data.
    CodePacker ended(2);
    ended.clear().code(1).clear().end().code(2);
    const Decoded d = decode(compressedData(2, ended), 2, 2);
    EXPECT_EQ(d.result.pixels, 1);
    EXPECT_TRUE(d.result.ended);
}

TEST(LzwDecoder, DataWithoutClearCodeDecodes)
{
    CodePacker codes(2);
    codes.code(2).code(2).code(6).end();
    EXPECT_EQ(decode(compressedData(2, codes), 2, 4).pixels, (std::vector<std::uint8_t>{2, 2, 2, 2}));
}

TEST(LzwDecoder, DataThatRunsOutLeavesTheRestAlone)
{
    // Two pixels of five, then nothing: no end code either. (8-bit codes leave no padding
    // bits, which small codes could read as more pixels.)
    CodePacker codes(7);
    codes.clear().code(1).code(3);
    const Decoded d = decode(compressedData(7, codes), 7, 5);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{1, 3, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(d.result.pixels, 2);
    EXPECT_FALSE(d.result.ended);
    // A sub-block whose length byte promises more than is there gives what is there.
    std::vector<std::uint8_t> cut = compressedData(7, codes);
    cut[1] = 200;
    cut.pop_back();
    EXPECT_EQ(decode(cut, 7, 5).result.pixels, 2);
}

TEST(LzwDecoder, PixelsPastTheLastAreIgnored)
{
    CodePacker codes(2);
    codes.clear().code(1).code(2).code(3).code(1).end();
    const Decoded d = decode(compressedData(2, codes), 2, 3);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(d.result.ended);
}

TEST(LzwDecoder, RefusesCodesThatStandForNothing)
{
    struct Row {
        const char* name;
        int minimumCodeSize;
        int bitsPerPixel;
        std::vector<std::uint8_t> data;
        const char* message;
    };
    const auto stream = [](int minimum, auto&& pack) {
        CodePacker codes(minimum);
        pack(codes);
        return compressedData(minimum, codes);
    };
    constexpr auto corrupt = "GIF encoded data is corrupt";
    constexpr auto codeSize = "GIF code size not in range 2 to 9";
    const Row rows[] = {
        {"code beyond the entry being defined", 2, 2,
         stream(2, [](CodePacker& c) { c.clear().code(1).code(7).end(); }), corrupt},
        {"table code right after a clear", 2, 2, stream(2, [](CodePacker& c) { c.clear().code(6).end(); }), corrupt},
        {"table code at the start", 2, 2, stream(2, [](CodePacker& c) { c.code(7).end(); }), corrupt},
        {"index past a 2-colour table", 3, 1, stream(3, [](CodePacker& c) { c.clear().code(2).end(); }), corrupt},
        {"minimum code size 1", 1, 1, {1, 1, 0x0F, 0}, codeSize},
        {"minimum code size 10", 10, 8, {10, 1, 0xFF, 0}, codeSize},
        {"no data at all", 0, 8, {}, codeSize},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_RAISES(decode(row.data, row.bitsPerPixel, 4), EInvalidGraphicOperation, row.message);
    }
    // Nine bits is the largest minimum code size.
    CodePacker nine(9);
    nine.clear().code(5).end();
    EXPECT_EQ(decode(compressedData(9, nine), 8, 1).pixels, std::vector<std::uint8_t>{5});
}

TEST(LzwDecoder, MaxDecodablePixelsBoundsWhatDataCanFill)
{
    // 3 bytes of codes of at least 9 bits hold 2 codes; code j gives at most j + 1 pixels:
    // 2 + 3.
    EXPECT_EQ(gif::maxDecodablePixels(3, 8), 5);
    EXPECT_EQ(gif::maxDecodablePixels(0, 8), 0);
    // Twenty bytes cannot fill a 65535 × 65535 frame.
    EXPECT_EQ(gif::maxDecodablePixels(20, 2), 53 * 56 / 2);
    // Past the full table each code adds at most 4096 pixels.
    const std::int64_t many = gif::maxDecodablePixels(1'000'000, 8);
    EXPECT_LE(many, std::int64_t(1'000'000) * 8 / 9 * 4096);
}

// A picture of `depth` bits, packed as bitmap rows, with pixels from a seeded generator; runs
// of equal pixels make long strings, noise makes many codes.
struct TestPicture {
    int width;
    int height;
    int depth;
    std::vector<std::uint8_t> indexes;  // one byte a pixel, top row first
    std::vector<std::uint8_t> packed;
    std::size_t stride;

    TestPicture(int w, int h, int d, unsigned seed) : width(w), height(h), depth(d)
    {
        std::mt19937 random(seed);
        const int colours = 1 << depth;
        indexes.resize(std::size_t(w) * h);
        for (std::size_t i = 0; i < indexes.size(); ++i)
            indexes[i] = std::uint8_t(random() % 3 == 0 ? random() % colours : (i / 7) % colours);
        stride = (std::size_t(w) * depth + 7) / 8;
        packed.assign(stride * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - depth - (x * depth) % 8;
                packed[y * stride + std::size_t(x * depth / 8)] |= std::uint8_t(indexes[std::size_t(y) * w + x] << shift);
            }
    }
    gif::IndexedRows rows() const
    {
        return {width, height, depth, [this](int row) { return packed.data() + stride * std::size_t(row); }};
    }
};

TEST(LzwEncoder, MinimumCodeSizeFollowsTheDepth)
{
    const std::pair<int, int> rows[] = {{1, 2}, {4, 4}, {8, 8}};
    for (const auto& [depth, codeSize] : rows) {
        SCOPED_TRACE(depth);
        const TestPicture picture(5, 3, depth, 1);
        EXPECT_EQ(gif::encodeLzw(picture.rows(), false).front(), codeSize);
    }
}

TEST(LzwEncoder, WritesTheCodesOfASmallPicture)
{
    // Four pixels of 1 at one bit: clear 4; "1" then "11" is new (write 1, entry 6); "11" is
    // known, "111" new (write 6, entry 7); at the end write 1, then the end code 5. Five 3-bit
    // codes 4, 1, 6, 1, 5, least significant bit first: 001 100 01|1 100 101 0 = 0x8C, 0x53.
    const std::vector<std::uint8_t> row{0xF0};
    const gif::IndexedRows rows{4, 1, 1, [&](int) { return row.data(); }};
    EXPECT_EQ(gif::encodeLzw(rows, false), (std::vector<std::uint8_t>{2, 2, 0x8C, 0x53, 0}));
}

TEST(LzwEncoder, DecodesBackToThePicture)
{
    struct Row {
        const char* name;
        int width;
        int height;
        int depth;
        bool interlaced;
    };
    const Row rows[] = {
        {"1-bit", 37, 11, 1, false},
        {"4-bit interlaced", 29, 13, 4, true},
        {"8-bit, many clear codes", 300, 200, 8, false},
        {"8-bit interlaced", 61, 17, 8, true},
        {"one pixel", 1, 1, 8, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TestPicture picture(row.width, row.height, row.depth, 7);
        const std::vector<std::uint8_t> data = gif::encodeLzw(picture.rows(), row.interlaced);
        const std::int64_t count = std::int64_t(row.width) * row.height;
        const Decoded d = decode(data, row.depth, count);
        EXPECT_TRUE(d.result.ended);
        // Decoded rows come in the data's order.
        const gif::RowOrder order(row.height, row.interlaced);
        int wrong = 0;
        for (int n = 0; n < row.height; ++n)
            for (int x = 0; x < row.width; ++x)
                wrong += d.pixels[std::size_t(n) * row.width + x] != picture.indexes[std::size_t(order.row(n)) * row.width + x];
        EXPECT_EQ(wrong, 0);
    }
}

TEST(LzwEncoder, WritesFullSubBlocksThenAShorterOneThenZero)
{
    const TestPicture picture(300, 200, 8, 3);
    const std::vector<std::uint8_t> data = gif::encodeLzw(picture.rows(), false);
    std::size_t at = 1;
    std::vector<int> lengths;
    while (at < data.size() && data[at] != 0) {
        lengths.push_back(data[at]);
        at += data[at] + 1u;
    }
    ASSERT_GT(lengths.size(), 2u);
    EXPECT_EQ(at, data.size() - 1);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 255);
    EXPECT_LE(lengths.back(), 255);
}

TEST(LzwEncoder, ReportsProgressAfterEachRow)
{
    const TestPicture picture(4, 5, 8, 1);
    std::vector<int> reports;
    gif::encodeLzw(picture.rows(), false, [&](int percent) { reports.push_back(percent); });
    EXPECT_EQ(reports, (std::vector<int>{20, 40, 60, 80, 100}));
    reports.clear();
    // Interlaced: the index of the next row to encode (rows 0, 4, 2, 1, 3).
    gif::encodeLzw(picture.rows(), true, [&](int percent) { reports.push_back(percent); });
    EXPECT_EQ(reports, (std::vector<int>{80, 40, 20, 60, 100}));
}

} // namespace
