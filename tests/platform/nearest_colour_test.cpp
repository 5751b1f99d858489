// The colour a drawing target shows for a requested one, and named clipboard formats.

#include "support/test_support.h"

#include "platform/clipboard_formats.h"
#include "platform/device_context.h"
#include "platform/nearest_colour.h"
#include "platform/section.h"

namespace {

std::unique_ptr<platform::Section> sectionOf(int bitCount, std::vector<platform::RgbQuad> colours = {},
                                             std::uint32_t compression = platform::BI_RGB)
{
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(bitCount);
    header.biCompression = compression;
    return platform::Section::create(header, colours);
}

TEST(DeviceNearestColour, IsWhatTheTargetCanHold)
{
    struct Row {
        const char* name;
        std::unique_ptr<platform::Section> section;
        platform::Colour asked;
        platform::Colour shown;
    };
    Row rows[] = {
        {"display: the colour itself", platform::Section::createDisplayCompatible(2, 2), 0x123456, 0x123456},
        {"display: flags dropped", platform::Section::createDisplayCompatible(2, 2), 0x02FF00FF, 0xFF00FF},
        {"monochrome: nearer white", platform::Section::createMonochrome(2, 2), 0xC0C0C0, 0xFFFFFF},
        {"monochrome: nearer black", platform::Section::createMonochrome(2, 2), 0x303030, 0x000000},
        {"palette: nearest entry", sectionOf(8, {{0, 0, 0, 0}, {0, 0, 200, 0}, {250, 250, 250, 0}}), 0x0000F0, 0x0000C8},
        {"5-5-5: three low bits go, the rest widens", sectionOf(16), 0x07070F, 0x000008},
        {"24 bits: the colour itself", sectionOf(24), 0x010203, 0x010203},
        {"system colour: looked up", platform::Section::createDisplayCompatible(1, 1), 0x8000000F, 0xC0C0C0},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.section, nullptr);
        EXPECT_EQ(platform::nearestColour(*row.section, row.asked), row.shown);
        // Asked through a context drawing into the section, the same.
        const auto context = platform::makeSectionContext(*row.section);
        EXPECT_EQ(platform::nearestColour(*context, row.asked), row.shown);
    }
}

TEST(ClipboardFormats, NamesTakeNumbersFromC000)
{
    const std::uint16_t first = platform::registerClipboardFormat("Test Format A");
    EXPECT_GE(first, platform::firstNamedClipboardFormat);
    EXPECT_EQ(platform::registerClipboardFormat("Test Format A"), first);
    EXPECT_EQ(platform::registerClipboardFormat("test format a"), first);
    const std::uint16_t second = platform::registerClipboardFormat("Test Format B");
    EXPECT_NE(second, first);
    EXPECT_EQ(platform::clipboardFormatName(first), "Test Format A");
    EXPECT_EQ(platform::clipboardFormatName(second), "Test Format B");
    EXPECT_EQ(platform::registerClipboardFormat(""), 0);
    EXPECT_EQ(platform::clipboardFormatName(2), "");
    EXPECT_EQ(platform::clipboardFormatName(0xFFFF), "");
}

} // namespace
