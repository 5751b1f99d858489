#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/byte_reader.h"

#include <array>

namespace {

TEST(ByteCursor, ReadsLittleEndianFieldsInOrder)
{
    const Bytes data = Bytes().u8(0x7F).u16(0xBEEF).u32(0x01020304).i16(-2).i32(-70000);
    bytes::ByteCursor in(data.data());
    EXPECT_EQ(in.u8(), 0x7F);
    EXPECT_EQ(in.u16(), 0xBEEF);
    EXPECT_EQ(in.u32(), 0x01020304u);
    EXPECT_EQ(in.i16(), -2);
    EXPECT_EQ(in.i32(), -70000);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(ByteCursor, ShortReadFailsForGoodAndYieldsZeros)
{
    const std::array<std::uint8_t, 3> data{1, 2, 3};
    bytes::ByteCursor in(data);
    EXPECT_EQ(in.u16(), 0x0201);
    EXPECT_EQ(in.u16(), 0) << "only one byte was left";
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.u8(), 0) << "a failed cursor reads nothing more, even what is there";
    EXPECT_TRUE(in.span(0).empty());
    EXPECT_FALSE(in.ok());
}

TEST(ByteCursor, SeekAndSpanStayInsideTheData)
{
    const std::array<std::uint8_t, 4> data{9, 8, 7, 6};
    bytes::ByteCursor in(data);
    in.seek(2);
    const auto tail = in.span(2);
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_EQ(tail[0], 7);
    in.seek(4);
    EXPECT_TRUE(in.ok()) << "the end itself is a valid position";
    in.seek(5);
    EXPECT_FALSE(in.ok());

    bytes::ByteCursor far(data, 10);
    EXPECT_FALSE(far.ok()) << "a start past the end is a failure, not a clamp";
    EXPECT_EQ(far.u8(), 0);
}

TEST(BudgetReader, RefusesReadsPastTheBudgetBeforeReading)
{
    const Bytes data = Bytes().u32(0xAABBCCDD).u32(0x11223344);
    TMemoryStream stream = data.stream();
    bytes::BudgetReader in(stream, 6);
    EXPECT_EQ(in.u32(), 0xAABBCCDDu);
    EXPECT_RAISES(in.u32(), EReadError, "Stream read error");
    EXPECT_EQ(stream.Position(), 4) << "the refused read took nothing";
    EXPECT_EQ(in.u16(), 0x3344);
    EXPECT_RAISES(in.bytes(1), EReadError, "Stream read error");
    EXPECT_RAISES(in.skip(-1), EReadError, "Stream read error");
}

TEST(BudgetReader, BytesWithinBudgetButBeyondTheStreamFailAsAReadError)
{
    const Bytes data = Bytes().u16(1);
    TMemoryStream stream = data.stream();
    bytes::BudgetReader in(stream, std::int64_t(1) << 40);
    EXPECT_RAISES(in.bytes(std::int64_t(1) << 30), EReadError, "Stream read error");
}

} // namespace
