// Reading GIF files: the block structure, what is kept and what is dropped, the frame values
// from graphic control blocks, and every way a file can be refused.

#include "support/test_support.h"

#include "gif_test_support.h"
#include "picture/bitmap/bitmap.h"
#include "picture/byte_reader.h"
#include "picture/gif/gif_codec.h"
#include "platform/section.h"

namespace {

using namespace gif_test;

const std::vector<std::uint8_t> twoPixels = rootsOnly({1, 2});

// GIF89a, a 2 × 1 screen of four colours and one 2 × 1 frame, then whatever `rest` adds
// before the trailer.
Bytes simpleFile(const std::function<void(Bytes&)>& before = {}, const std::function<void(Bytes&)>& after = {})
{
    Bytes out = gifStart("GIF89a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    if (before)
        before(out);
    imageBlock(out, 0, 0, 2, 1, 0, twoPixels);
    if (after)
        after(out);
    out.u8(0x3B);
    return out;
}

TColor pixelOf(TGIFImage& image, int x, int y)
{
    return TColor(image.Bitmap().PlatformHandle()->pixel(x, y));
}

TEST(GifReader, SignatureAndVersionIgnoreCase)
{
    struct Row {
        std::string_view start;
        const char* outcome;
    };
    const Row rows[] = {
        {"GIF89a", "89a"},
        {"gIf89A", "89a"},
        {"gif87A", "87a"},
        {"GIF88a", "Unknown GIF version"},
        {"GIX89a", "Unknown GIF version"},
        {"GIF", "Unknown GIF version"},
        {"GI", "Unknown GIF version"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.start));
        Bytes file = simpleFile();
        Bytes changed;
        changed.text(row.start);
        if (row.start.size() == 6)
            changed.raw(std::span(file.data()).subspan(6));
        TGIFImage image;
        std::string outcome;
        try {
            load(image, changed);
            outcome = image.Version() == gv89a ? "89a" : "87a";
        } catch (const EInvalidGraphicOperation& error) {
            outcome = error.Message();
        }
        EXPECT_EQ(outcome, row.outcome);
    }
}

TEST(GifReader, ReadsScreenFrameAndPixels)
{
    Bytes file = gifStart("GIF87a", 9, 7, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 2, 49);
    imageBlock(file, 3, 4, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.FrameIndex(), 0);
    EXPECT_EQ(image.Version(), gv87a);
    EXPECT_EQ(image.ScreenWidth(), 9);
    EXPECT_EQ(image.ScreenHeight(), 7);
    EXPECT_EQ(image.BackgroundColor(), 0x00FF00);
    EXPECT_EQ(image.ScreenData().AspectRatio, 49);
    EXPECT_EQ(image.ScreenData().TableBits, 2);
    EXPECT_EQ(image.ScreenData().GlobalTable.Count, 4);
    const TGIFFrame& frame = image.Frames(0);
    EXPECT_EQ(frame.Left(), 3);
    EXPECT_EQ(frame.Top(), 4);
    EXPECT_FALSE(frame.LocalTable());
    EXPECT_EQ(frame.Data().BitsPerPixel, 2);
    EXPECT_EQ(frame.Data().CompressedData, twoPixels);
    // The picture is the frame alone, not the screen.
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(pixelOf(image, 0, 0), 0x0000FF);
    EXPECT_EQ(pixelOf(image, 1, 0), 0x00FF00);
}

TEST(GifReader, KeepsCompressedDataByteForByte)
{
    // Sub-blocks of odd lengths and a second zero byte after the data's end.
    CodePacker codes(2);
    codes.clear();
    for (int i = 0; i < 40; ++i)
        codes.code(std::uint32_t(i % 4));
    codes.end();
    Bytes data;
    data.u8(2);
    subBlocks(data, codes.bytes(), 3);
    Bytes file = gifStart("GIF89a", 40, 1, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    imageBlock(file, 0, 0, 40, 1, 0, data.data());
    file.raw({0x3B});
    TGIFImage image;
    load(image, file);
    EXPECT_EQ(image.Frames(0).Data().CompressedData, data.data());
    EXPECT_EQ(pixelOf(image, 39, 0), 0x030303);
}

TEST(GifReader, LocalTableAndInterlace)
{
    // An interlaced 1 × 3 frame with its own two colours: data rows fill picture rows 0, 2, 1.
    Bytes file = gifStart("GIF89a", 1, 3);
    file.u8(0x2C).u16(0).u16(0).u16(1).u16(3).u8(0x80 | 0x40 | 0);  // local table of 2, interlaced
    file.raw({10, 20, 30, 40, 50, 60});
    file.raw(rootsOnly({0, 1, 1}));
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    const TGIFFrame& frame = image.Frames(0);
    EXPECT_TRUE(frame.LocalTable());
    EXPECT_TRUE(frame.Interlaced());
    EXPECT_EQ(frame.Data().BitsPerPixel, 1);
    EXPECT_EQ(pixelOf(image, 0, 0), TColor(platform::rgb(10, 20, 30)));
    EXPECT_EQ(pixelOf(image, 0, 1), TColor(platform::rgb(40, 50, 60)));
    EXPECT_EQ(pixelOf(image, 0, 2), TColor(platform::rgb(40, 50, 60)));

    // The frame's own form: a 1-bit bitmap whose palette is padded to 2 entries, rows bottom-up.
    const auto indexes = gif::decodeIndexes(frame.Data(), {});
    const auto section = gif::indexedSection(frame.Data(), true, *indexes);
    EXPECT_EQ(section->bitCount(), 1);
    EXPECT_FALSE(section->isTopDown());
    EXPECT_EQ(section->row(0)[0] & 0x80, 0);
    EXPECT_EQ(section->row(1)[0] & 0x80, 0x80);
    EXPECT_EQ(section->row(2)[0] & 0x80, 0x80);
}

TEST(GifReader, BitmapDepthAndPaletteFollowTheTableBits)
{
    struct Row {
        int bits;
        int depth;
    };
    const Row rows[] = {{1, 1}, {2, 4}, {4, 4}, {5, 8}, {8, 8}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bits);
        TGIFItem item;
        item.Width = 1;
        item.Height = 1;
        item.BitsPerPixel = std::uint8_t(row.bits);
        item.ColorTable.Count = 1 << row.bits;
        item.ColorTable.Set(0, 1, 2, 3);
        item.CompressedData = rootsOnly({0});
        const auto indexes = gif::decodeIndexes(item, {});
        const auto section = gif::indexedSection(item, false, *indexes);
        EXPECT_EQ(section->bitCount(), row.depth);
        ASSERT_EQ(section->colourTable().size(), std::size_t(1) << row.depth);
        EXPECT_EQ(section->colourTable()[0], (platform::RgbQuad{3, 2, 1, 0}));
        // Entries past the frame's table are gray.
        if (row.depth > row.bits) {
            EXPECT_EQ(section->colourTable().back(), (platform::RgbQuad{128, 128, 128, 128}));
        }
    }
}

TEST(GifReader, ApplicationBlocksAreDroppedAndPlainTextTakesWhatCameBefore)
{
    const Bytes file = simpleFile([](Bytes& out) {
        comment(out, {"before text"});
        out.raw({0x21, 0x01, 12}).zeros(12).u8(3).text("abc").u8(0);  // plain text
        out.raw({0x21, 0xFF, 11}).text("NETSCAPE2.0").raw({3, 1, 0, 0, 0});  // looping block
        comment(out, {"kept", "two blocks"});
        graphicControl(out, 0, 7, 0);
    });
    TGIFImage image;
    load(image, file);
    const std::vector<TExtension>& extensions = image.Frames(0).Extensions();
    ASSERT_EQ(extensions.size(), 2u);
    EXPECT_EQ(extensions[0].Kind, TExtensionKind::Comment);
    EXPECT_EQ(extensions[0].Data, (std::vector<std::string>{"kept", "two blocks"}));
    EXPECT_EQ(extensions[1].Kind, TExtensionKind::GraphicControl);
    EXPECT_EQ(extensions[1].Fixed, (std::vector<std::uint8_t>{4, 0, 7, 0, 0, 0}));
    EXPECT_EQ(image.Frames(0).Comment(), (std::vector<std::string>{"kept", "two blocks"}));
    EXPECT_TRUE(image.Comment().empty());
}

TEST(GifReader, CommentsAfterTheLastFrameAreTheImageComment)
{
    const Bytes file = simpleFile({}, [](Bytes& out) {
        comment(out, {"first"});
        comment(out, {"last", "wins"});
    });
    TGIFImage image;
    load(image, file);
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"last", "wins"}));
    EXPECT_TRUE(image.Frames(0).Extensions().empty());
}

TEST(GifReader, GraphicControlGivesDelayTransparencyAndDisposal)
{
    struct Row {
        const char* name;
        std::vector<std::array<int, 3>> controls;  // flags, delay, transparent index
        std::uint32_t delay;
        TColor transparent;
        int disposal;
    };
    const Row rows[] = {
        {"delay 5 is 50 ms", {{0, 5, 0}}, 50, clNone, 0},
        {"transparent index 1", {{1, 0, 1}}, 0, 0x0000FF, 0},
        {"index equal to the count: none", {{1, 0, 4}}, 0, clNone, 0},
        {"index above the count: none", {{1, 0, 200}}, 0, clNone, 0},
        {"disposal 2", {{2 << 2, 0, 0}}, 0, clNone, 2},
        {"the longest delay, the last transparency", {{1, 30, 2}, {0, 10, 0}}, 300, clNone, 0},
        {"a later out-of-table index keeps the earlier colour", {{1, 0, 3}, {1 | 3 << 2, 0, 9}}, 0, 0xFF0000, 3},
        {"the longest delay in milliseconds", {{0, 65535, 0}}, 655350, clNone, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes file = simpleFile([&](Bytes& out) {
            for (const auto& control : row.controls)
                graphicControl(out, std::uint8_t(control[0]), std::uint16_t(control[1]), std::uint8_t(control[2]));
        });
        TGIFImage image;
        load(image, file);
        const TGIFFrame& frame = image.Frames(0);
        EXPECT_EQ(frame.Delay(), row.delay);
        EXPECT_EQ(frame.TransparentColor(), row.transparent);
        EXPECT_EQ(frame.Disposal(), row.disposal);
    }
}

TEST(GifReader, EndOfDataAfterTheLastFrame)
{
    // No trailer: the file loads.
    Bytes noTrailer = gifStart("GIF89a", 2, 1, {{0, 0, 0}, {9, 9, 9}, {0, 0, 0}, {0, 0, 0}});
    imageBlock(noTrailer, 0, 0, 2, 1, 0, twoPixels);
    TGIFImage image;
    load(image, noTrailer);
    EXPECT_EQ(image.Count(), 1);
    // Zero bytes up to the end instead of a block: corrupt.
    Bytes zeros = noTrailer;
    zeros.zeros(3);
    EXPECT_RAISES(load(image, zeros), EInvalidGraphicOperation, "GIF encoded data is corrupt");
    // Zero bytes between frames are skipped.
    Bytes between = noTrailer;
    between.zeros(2);
    imageBlock(between, 0, 0, 2, 1, 0, twoPixels);
    between.u8(0x3B);
    load(image, between);
    EXPECT_EQ(image.Count(), 2);
}

TEST(GifReader, RefusesDamagedFiles)
{
    struct Row {
        const char* name;
        Bytes file;
        const char* message;
        bool readError;  // the stream layer's error rather than the format's
    };
    Bytes badExtension = simpleFile([](Bytes& out) { out.raw({0x21, 0x2A, 0}); });
    Bytes badByteAfterFrame = simpleFile({}, [](Bytes& out) { out.u8(0x99); });
    Bytes badIntroducer = gifStart("GIF89a", 1, 1, {{0, 0, 0}, {1, 1, 1}});
    badIntroducer.u8(0x99).u8(0x3B);
    Bytes shortDescriptor = gifStart("GIF89a", 1, 1, {{0, 0, 0}, {1, 1, 1}});
    shortDescriptor.raw({0x2C, 0, 0, 0, 0});
    Bytes shortLocalTable = gifStart("GIF89a", 1, 1);
    shortLocalTable.u8(0x2C).u16(0).u16(0).u16(1).u16(1).u8(0x81).zeros(5);
    Bytes shortSubBlock = gifStart("GIF89a", 1, 1, {{0, 0, 0}, {1, 1, 1}});
    shortSubBlock.u8(0x2C).u16(0).u16(0).u16(1).u16(1).u8(0).raw({2, 10, 1, 2});
    Bytes noTable = gifStart("GIF89a", 2, 1);
    imageBlock(noTable, 0, 0, 2, 1, 0, twoPixels);
    Bytes badCodeSize = gifStart("GIF89a", 1, 1, {{0, 0, 0}, {1, 1, 1}});
    imageBlock(badCodeSize, 0, 0, 1, 1, 0, {12, 1, 0, 0});
    Bytes hugeFrame = gifStart("GIF89a", 1, 1, {{0, 0, 0}, {1, 1, 1}});
    imageBlock(hugeFrame, 0, 0, 65535, 65535, 0, {2, 16, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Row rows[] = {
        {"unknown extension label", badExtension, "Unrecognized extension block: 2A", false},
        {"a stray byte after a frame", badByteAfterFrame, "GIF encoded data is corrupt", false},
        {"a stray byte where a block starts", badIntroducer, "Stream read error", false},
        {"image descriptor cut short", shortDescriptor, "Stream read error", true},
        {"local table cut short", shortLocalTable, "Stream read error", true},
        {"data sub-block cut short", shortSubBlock, "Stream read error", true},
        {"a frame without any table", noTable, "Wrong number of colors; must be a power of 2", false},
        {"minimum code size 12", badCodeSize, "GIF code size not in range 2 to 9", false},
        // 4 billion pixels from 16 bytes of data: refused before anything is made.
        {"65535 × 65535 from a few bytes", hugeFrame, "Stream read error", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGIFImage image;
        if (row.readError)
            EXPECT_RAISES(load(image, row.file), EReadError, row.message);
        else
            EXPECT_RAISES(load(image, row.file), EInvalidGraphicOperation, row.message);
    }
}

TEST(GifReader, ShortOrEmptyFilesWithoutFramesLoadEmpty)
{
    const Bytes full = gifStart("GIF89a", 5, 5, {{0, 0, 0}, {1, 1, 1}});
    const std::size_t lengths[] = {0, 6, 9, 13, 15, full.size()};
    for (const std::size_t length : lengths) {
        SCOPED_TRACE(length);
        Bytes cut;
        cut.raw(std::span(full.data()).first(length));
        TGIFImage image;
        load(image, cut);
        EXPECT_EQ(image.Count(), 0);
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(image.Width(), 0);
    }
}

TEST(GifReader, FailedLoadKeepsThePreviousImage)
{
    TGIFImage image;
    load(image, simpleFile());
    Bytes bad = simpleFile({}, [](Bytes& out) { out.u8(0x77); });
    EXPECT_RAISES(load(image, bad), EInvalidGraphicOperation, "GIF encoded data is corrupt");
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.Frames(0).Owner(), &image);
    EXPECT_EQ(image.Width(), 2);
    // A first frame that cannot be decoded fails the load as well.
    Bytes undecodable = gifStart("GIF89a", 2, 1, {{0, 0, 0}, {1, 1, 1}});
    imageBlock(undecodable, 0, 0, 2, 1, 0, {2, 2, 0xFF, 0xFF, 0});
    EXPECT_RAISES(load(image, undecodable), EInvalidGraphicOperation, "GIF encoded data is corrupt");
    EXPECT_EQ(image.Frames(0).Data().CompressedData, twoPixels);
}

TEST(GifReader, OnlyTheFirstFrameIsDecodedAtLoad)
{
    Bytes file = gifStart("GIF89a", 2, 2, {{0, 0, 0}, {9, 9, 9}, {0, 0, 0}, {0, 0, 0}});
    imageBlock(file, 0, 0, 2, 1, 0, twoPixels);
    imageBlock(file, 0, 1, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    EXPECT_TRUE(image.Frames(0).HasBitmap());
    EXPECT_FALSE(image.Frames(1).HasBitmap());
    EXPECT_EQ(image.Frames(1).Width(), 2);
    EXPECT_TRUE(image.Frames(1).HasBitmap());
}

TEST(GifReader, DataThatRunsOutBeforeTheLastPixelIsRefused)
{
    // Two of four pixels, then the data ends.
    CodePacker codes(7);
    codes.clear().code(1).code(2);
    Bytes file = gifStart("GIF89a", 4, 1, {{10, 10, 10}, {20, 20, 20}, {30, 30, 30}, {40, 40, 40}});
    imageBlock(file, 0, 0, 4, 1, 0, compressedData(7, codes));
    file.u8(0x3B);
    TGIFImage image;
    EXPECT_RAISES(load(image, file), EReadError, "Stream read error");
    // Every pixel there: no end code is needed.
    codes.code(3).code(0);
    Bytes full = gifStart("GIF89a", 4, 1, {{10, 10, 10}, {20, 20, 20}, {30, 30, 30}, {40, 40, 40}});
    imageBlock(full, 0, 0, 4, 1, 0, compressedData(7, codes));
    load(image, full);
    EXPECT_EQ(pixelOf(image, 3, 0), 0x0A0A0A);
}

TEST(GifReader, ReportsDecodingProgress)
{
    TGIFImage image;
    std::vector<std::pair<TProgressStage, int>> reports;
    image.OnProgress = [&](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect&,
                           const std::string& message) {
        EXPECT_EQ(sender, &image);
        EXPECT_FALSE(redraw);
        EXPECT_TRUE(message.empty());
        reports.emplace_back(stage, percent);
    };
    load(image, simpleFile());
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(reports.back(), std::make_pair(psEnding, 100));

    // A failure ends with 0 percent and its message.
    std::string last;
    image.OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TRect&, const std::string& message) {
        if (stage == psEnding)
            last = std::to_string(percent) + " " + message;
    };
    Bytes corrupt = gifStart("GIF89a", 2, 1, {{0, 0, 0}, {1, 1, 1}});
    imageBlock(corrupt, 0, 0, 2, 1, 0, {2, 2, 0xFF, 0xFF, 0});
    EXPECT_RAISES(load(image, corrupt), EInvalidGraphicOperation, "GIF encoded data is corrupt");
    EXPECT_EQ(last, "0 GIF encoded data is corrupt");
}

TEST(GifReader, AbortWhileDecodingKeepsThePartDecoded)
{
    TGIFImage image;
    image.OnProgress = [](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
        if (stage == psStarting)
            Abort();
    };
    // Stopped before the first code: the load succeeds with nothing decoded yet.
    load(image, simpleFile());
    EXPECT_EQ(image.Count(), 1);
    EXPECT_TRUE(image.Frames(0).Bitmap().IsEmpty());
    EXPECT_EQ(image.Width(), 0);
    // The next need decodes again.
    image.OnProgress = nullptr;
    EXPECT_EQ(image.Width(), 2);
}

TEST(GifReader, StoredDataIsACountThenTheFile)
{
    const Bytes file = simpleFile();
    Bytes stored;
    stored.u32(std::uint32_t(file.size())).raw(file.data()).text("after");
    TMemoryStream stream = stored.stream();
    TGIFImage image;
    image.ReadStoredData(stream);
    EXPECT_EQ(image.Count(), 1);
    EXPECT_EQ(stream.Position(), std::int64_t(4 + file.size()));

    TMemoryStream written;
    image.WriteStoredData(written);
    const std::vector<std::uint8_t> bytes = written.Bytes();
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes::loadU32(bytes.data()), bytes.size() - 4);
    EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 10), "GIF89a");

    // A count past the end of the stream.
    Bytes tooShort;
    tooShort.u32(1000).raw(file.data());
    TMemoryStream shortStream = tooShort.stream();
    EXPECT_RAISES(image.ReadStoredData(shortStream), EReadError, "Stream read error");
}

} // namespace
