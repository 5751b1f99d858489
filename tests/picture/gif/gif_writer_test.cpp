// Writing GIF files: what a loaded file writes back, frames encoded from bitmaps, and round
// trips through the public suites.

#include "support/test_support.h"

#include "gif_test_support.h"
#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <fstream>
#include <iterator>

namespace {

using namespace gif_test;

const std::vector<std::uint8_t> twoPixels = rootsOnly({1, 2});

std::string text(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t count)
{
    return std::string(bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + count));
}

// Does `needle` occur in `bytes`?
bool contains(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& needle)
{
    return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end();
}

std::vector<std::uint8_t> suiteFile(const std::string& name)
{
    std::ifstream in(testing_support::testdataPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every pixel of every frame, as colours.
std::vector<std::vector<platform::Colour>> framePixels(TGIFImage& image)
{
    std::vector<std::vector<platform::Colour>> frames;
    for (int i = 0; i < image.Count(); ++i) {
        const platform::Section& pixels = *image.Frames(i).Bitmap().PlatformHandle();
        std::vector<platform::Colour> colours;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                colours.push_back(pixels.pixel(x, y));
        frames.push_back(std::move(colours));
    }
    return frames;
}

TEST(GifWriter, WritesBackWhatItLoaded)
{
    Bytes file = gifStart("GIF87a", 4, 3, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 1, 17);
    imageBlock(file, 1, 2, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    // The screen size is recomputed from the frame: 1 + 2 by 2 + 1.
    Bytes expected = gifStart("GIF87a", 3, 3, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 1, 17);
    imageBlock(expected, 1, 2, 2, 1, 0, twoPixels);
    expected.u8(0x3B);
    EXPECT_EQ(saved(image), expected.data());
}

TEST(GifWriter, DropsApplicationBlocksAndWritesTheCommentLast)
{
    Bytes file = gifStart("GIF87a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    file.raw({0x21, 0xFF, 11}).text("NETSCAPE2.0").raw({3, 1, 0, 0, 0});
    imageBlock(file, 0, 0, 2, 1, 0, twoPixels);
    comment(file, {"made by hand"});
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    const std::vector<std::uint8_t> bytes = saved(image);
    EXPECT_EQ(text(bytes, 0, 6), "GIF89a");  // a comment needs 89a
    EXPECT_FALSE(contains(bytes, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'}));
    Bytes tail;
    tail.raw({0x21, 0xFE, 12}).text("made by hand").raw({0, 0x3B});
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - std::ptrdiff_t(tail.size()), bytes.end()), tail.data());
}

TEST(GifWriter, RebuildsTheGraphicControlBlock)
{
    Bytes file = gifStart("GIF89a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    graphicControl(file, 1 | 2 | (1 << 2), 5, 2);  // transparent index 2, user input, disposal 1
    imageBlock(file, 0, 0, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    TGIFFrame& frame = image.Frames(0);
    EXPECT_EQ(frame.Delay(), 50u);
    // Written back as it was: delay 5 again.
    EXPECT_TRUE(contains(saved(image), {0x21, 0xF9, 4, 1 | 2 | (1 << 2), 5, 0, 2, 0}));

    // New values replace the old ones, the disposal method included.
    frame.SetDelay(1230);
    frame.SetDisposal(2);
    frame.SetTransparentColor(0x0000FF);  // entry 1
    EXPECT_TRUE(contains(saved(image), {0x21, 0xF9, 4, 1 | 2 | (2 << 2), 123, 0, 1, 0}));
    // A colour the table lacks clears the transparent bit.
    frame.SetTransparentColor(0x123456);
    EXPECT_TRUE(contains(saved(image), {0x21, 0xF9, 4, 2 | (2 << 2), 123, 0, 1, 0}));
}

TEST(GifWriter, AddsAGraphicControlBlockOnlyWhenNeeded)
{
    Bytes file = gifStart("GIF87a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    imageBlock(file, 0, 0, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    std::vector<std::uint8_t> bytes = saved(image);
    EXPECT_EQ(text(bytes, 0, 6), "GIF87a");
    EXPECT_FALSE(contains(bytes, {0x21, 0xF9}));
    image.Frames(0).SetDelay(70);
    bytes = saved(image);
    EXPECT_EQ(text(bytes, 0, 6), "GIF89a");
    EXPECT_TRUE(contains(bytes, {0x21, 0xF9, 4, 0, 7, 0, 0, 0}));
}

TEST(GifWriter, CommentsAreSubBlocksAndEmptyOnesGo)
{
    Bytes file = gifStart("GIF87a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    imageBlock(file, 0, 0, 2, 1, 0, twoPixels);
    file.u8(0x3B);
    TGIFImage image;
    load(image, file);
    image.Frames(0).Comment();  // an empty comment block: not written
    EXPECT_EQ(text(saved(image), 0, 6), "GIF87a");
    // A long comment takes as many sub-blocks as it needs; empty strings write none.
    const std::string longText(300, 'x');
    image.SetComment({longText, "", "end"});
    const std::vector<std::uint8_t> bytes = saved(image);
    Bytes tail;
    tail.raw({0x21, 0xFE, 255}).text(longText.substr(0, 255)).u8(45).text(longText.substr(255)).u8(3).text("end").raw({0, 0x3B});
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - std::ptrdiff_t(tail.size()), bytes.end()), tail.data());
    TGIFImage again;
    TMemoryStream stream(bytes);
    again.LoadStream(stream);
    EXPECT_EQ(again.Comment(), (std::vector<std::string>{longText.substr(0, 255), longText.substr(255), "end"}));
}

TEST(GifWriter, DataCutOffByTheEndOfTheFileIsEndedProperly)
{
    // The file ends inside the frame's data: after the last sub-block, without its zero length
    // byte. Written back, the data is ended, so the trailer after it is not taken for data.
    Bytes file = gifStart("GIF87a", 2, 1, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    std::vector<std::uint8_t> data = twoPixels;
    data.pop_back();
    imageBlock(file, 0, 0, 2, 1, 0, data);
    TGIFImage image;
    load(image, file);
    EXPECT_EQ(image.Frames(0).Data().CompressedData, data);
    image.SetComment({"after the data"});
    TGIFImage again;
    TMemoryStream stream(saved(image));
    again.LoadStream(stream);
    EXPECT_EQ(again.Frames(0).Data().CompressedData, twoPixels);
    EXPECT_EQ(again.Comment(), image.Comment());
    EXPECT_EQ(framePixels(again), framePixels(image));
}

TEST(GifWriter, ImageWithoutFramesHasNothingToWrite)
{
    TGIFImage image;
    TMemoryStream stream;
    EXPECT_RAISES(image.SaveStream(stream), EInvalidGraphicOperation, "No GIF Data to write");
    // A frame of an empty bitmap has no data either.
    TBitmap empty;
    image.AddFrame(&empty);
    EXPECT_RAISES(image.SaveStream(stream), EInvalidGraphicOperation, "No GIF Data to write");
}

TEST(GifWriter, SuiteFilesRoundTrip)
{
    const char* files[] = {
        "giflib/pic/fire.gif",      "giflib/pic/welcome2.gif",           "giflib/pic/x-trans.gif",
        "giflib/pic/porsche.gif",   "giflib/pic/treescap-interlaced.gif", "pygif-test-suite/high-color.gif",
        "pygif-test-suite/comment.gif", "pygif-test-suite/local-color-table.gif", "pygif-test-suite/dispose-restore-previous.gif",
    };
    for (const char* name : files) {
        SCOPED_TRACE(name);
        TGIFImage image;
        TMemoryStream stream(suiteFile(name));
        image.LoadStream(stream);
        const std::vector<std::uint8_t> first = saved(image);
        TGIFImage again;
        TMemoryStream reread(first);
        again.LoadStream(reread);
        ASSERT_EQ(again.Count(), image.Count());
        for (int i = 0; i < image.Count(); ++i) {
            const TGIFFrame& a = image.Frames(i);
            const TGIFFrame& b = again.Frames(i);
            EXPECT_EQ(a.Data().CompressedData, b.Data().CompressedData);
            EXPECT_EQ(a.Data().ColorTable, b.Data().ColorTable);
            EXPECT_EQ(std::make_tuple(a.Left(), a.Top(), a.Interlaced(), a.Delay(), a.Disposal(), a.TransparentColor()),
                      std::make_tuple(b.Left(), b.Top(), b.Interlaced(), b.Delay(), b.Disposal(), b.TransparentColor()));
        }
        EXPECT_EQ(framePixels(again), framePixels(image));
        EXPECT_EQ(again.Comment(), image.Comment());
        // Writing what was read back gives the same bytes again.
        EXPECT_EQ(saved(again), first);
    }
}

// A bitmap of the layout with a few colours in a pattern.
std::unique_ptr<TBitmap> patternBitmap(TPixelLayout layout, int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelLayout(layout);
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    const platform::Colour colours[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x808000};
    const int count = layout == pl1Bit ? 2 : 6;
    platform::Section& pixels = *bitmap->PlatformHandle();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.setPixel(x, y, colours[(x * 3 + y) % count]);
    return bitmap;
}

TEST(GifWriter, FramesFromBitmapsEncodeAndDecodeToTheSamePixels)
{
    struct Row {
        const char* name;
        TPixelLayout layout;
        int minimumCodeSize;
        int tableCount;
    };
    const Row rows[] = {
        {"1-bit", pl1Bit, 2, 2},
        {"4-bit", pl4Bit, 4, 16},
        {"8-bit", pl8Bit, 8, 256},
        {"24-bit, reduced", pl24Bit, 8, 256},
        {"32-bit, reduced", pl32Bit, 8, 256},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto bitmap = patternBitmap(row.layout, 23, 9);
        TGIFImage image;
        image.CopyFrom(bitmap.get());
        const std::vector<std::uint8_t> bytes = saved(image);
        EXPECT_EQ(text(bytes, 0, 6), "GIF87a");
        const TGIFItem& item = image.Frames(0).Data();
        EXPECT_EQ(item.CompressedData.front(), row.minimumCodeSize);
        EXPECT_EQ(item.ColorTable.Count, row.tableCount);
        // The first frame's table became the global one.
        EXPECT_EQ(image.ScreenData().GlobalTable.Count, row.tableCount);
        EXPECT_FALSE(image.Frames(0).LocalTable());
        EXPECT_EQ(image.ScreenWidth(), 23);
        TGIFImage again;
        TMemoryStream stream(bytes);
        again.LoadStream(stream);
        const platform::Section& decoded = *again.Bitmap().PlatformHandle();
        const platform::Section& original = *bitmap->PlatformHandle();
        int wrong = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 23; ++x)
                wrong += decoded.pixel(x, y) != original.pixel(x, y);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(GifWriter, ATrueColourBitmapSavesAs87aWithoutControlBlock)
{
    const auto bitmap = patternBitmap(pl24Bit, 5, 4);
    TGIFImage image;
    image.CopyFrom(bitmap.get());
    const std::vector<std::uint8_t> bytes = saved(image);
    EXPECT_EQ(text(bytes, 0, 6), "GIF87a");
    EXPECT_EQ(bytes[10], 0x80 | 0x70 | 7);  // a global table of 256
    EXPECT_FALSE(contains(bytes, {0x21, 0xF9}));
    EXPECT_EQ(image.Count(), 1);
}

TEST(GifWriter, ATransparentBitmapKeepsItsTransparentColour)
{
    // The key is the bottom-left pixel's colour, which the saved table holds.
    const auto bitmap = patternBitmap(pl24Bit, 5, 4);
    bitmap->SetTransparent(true);
    const TColor key = bitmap->TransparentKey();
    TGIFImage image;
    image.CopyFrom(bitmap.get());
    EXPECT_EQ(image.Frames(0).TransparentColor(), key);
    const std::vector<std::uint8_t> bytes = saved(image);
    EXPECT_EQ(text(bytes, 0, 6), "GIF89a");
    TGIFImage again;
    TMemoryStream stream(bytes);
    again.LoadStream(stream);
    EXPECT_EQ(again.Frames(0).TransparentColor(), TColor(platform::rgbPart(platform::Colour(key))));
}

TEST(GifWriter, SecondFrameKeepsALocalTable)
{
    const auto first = patternBitmap(pl4Bit, 3, 3);
    const auto second = patternBitmap(pl1Bit, 6, 2);
    TGIFImage image;
    image.AddFrame(first.get());
    image.AddFrame(second.get());
    image.Frames(1).SetLeft(2);
    const std::vector<std::uint8_t> bytes = saved(image);
    EXPECT_EQ(image.Version(), gv89a);
    EXPECT_FALSE(image.Frames(0).LocalTable());
    EXPECT_TRUE(image.Frames(1).LocalTable());
    TGIFImage again;
    TMemoryStream stream(bytes);
    again.LoadStream(stream);
    ASSERT_EQ(again.Count(), 2);
    EXPECT_EQ(again.ScreenWidth(), 8);
    EXPECT_EQ(again.ScreenHeight(), 3);
    EXPECT_TRUE(again.Frames(1).LocalTable());
    EXPECT_EQ(again.Frames(1).Data().ColorTable.Count, 2);
    EXPECT_EQ(framePixels(again), framePixels(image));
}

TEST(GifWriter, ReportsEncodingProgress)
{
    const auto bitmap = patternBitmap(pl8Bit, 4, 5);
    TGIFImage image;
    image.CopyFrom(bitmap.get());
    std::vector<int> percents;
    image.OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TRect&, const std::string&) {
        percents.push_back(stage == psStarting ? -1 : stage == psEnding ? 1000 + percent : percent);
    };
    saved(image);
    EXPECT_EQ(percents, (std::vector<int>{-1, 20, 40, 60, 80, 100, 1100}));
}

} // namespace
