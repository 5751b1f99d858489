#include "platform/painter_device_context.h"
#include "platform/section_device_context.h"

#include "test_sections.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <optional>
#include <string>

using namespace platform;
using testing_sections::makeSection;
using testing_sections::setRaw;

namespace {

// A 7 × 5 source whose every pixel differs.
std::unique_ptr<Section> gradient(int bits = 32)
{
    auto s = makeSection(7, 5, bits);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            s->setPixel(x, y, rgb(std::uint8_t(30 * x), std::uint8_t(40 * y), std::uint8_t(200 - 20 * x)));
    return s;
}

constexpr Colour background = 0x20A040;

QImage qtImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0x40, 0xA0, 0x20));
    return image;
}

std::unique_ptr<Section> sectionTarget(int width, int height)
{
    auto s = makeSection(width, height, 32);
    s->fill(background);
    return s;
}

// Pixels that differ between a QImage and a section of the same size.
int differences(const QImage& image, const Section& section)
{
    int count = 0;
    for (int y = 0; y < section.height(); ++y)
        for (int x = 0; x < section.width(); ++x) {
            const QRgb q = image.pixel(x, y);
            count += rgb(std::uint8_t(qRed(q)), std::uint8_t(qGreen(q)), std::uint8_t(qBlue(q))) != section.pixel(x, y);
        }
    return count;
}

void drawSame(const std::function<void(DeviceContext&)>& draw, QImage& image, Section& section)
{
    {
        QPainter painter(&image);
        PainterDeviceContext dc(painter);
        draw(dc);
    }
    SectionDeviceContext dc(section);
    draw(dc);
}

} // namespace

TEST(PainterContext, StretchedBlitsMatchTheSectionContext)
{
    auto source = gradient();
    auto mono = Section::createMonochrome(7, 5);
    mono->bits()[0] = 0xAA;
    struct Row {
        const char* name;
        std::uint32_t code;
        bool monochrome;
        StretchMode mode;
    };
    const Row rows[] = {
        {"copy", rop::SrcCopy, false, StretchMode::ColorOnColor},
        {"and", rop::SrcAnd, false, StretchMode::ColorOnColor},
        {"xor", rop::SrcInvert, false, StretchMode::ColorOnColor},
        {"or", rop::SrcPaint, false, StretchMode::ColorOnColor},
        {"invert destination", rop::DstInvert, false, StretchMode::ColorOnColor},
        {"select by source (read back)", 0x00B8074A, false, StretchMode::ColorOnColor},
        {"monochrome source", rop::SrcCopy, true, StretchMode::ColorOnColor},
        {"halftone", rop::SrcCopy, false, StretchMode::Halftone},
    };
    for (const Row& row : rows) {
        QImage image = qtImage(16, 12);
        auto section = sectionTarget(16, 12);
        drawSame(
            [&](DeviceContext& dc) {
                dc.setBrush({BrushStyle::Solid, rgb(0x12, 0x34, 0x56), nullptr});
                dc.setTextColour(rgb(255, 0, 0));
                dc.setStretchMode(row.mode);
                dc.stretchBlt({2, 1, 13, 9}, row.monochrome ? *mono : *source, {0, 0, 7, 5}, row.code);
            },
            image, *section);
        EXPECT_EQ(differences(image, *section), 0) << row.name;
    }
}

TEST(PainterContext, PlainCopiesOfEveryRowOrderAndDepthMatchTheSectionContext)
{
    // The copies the painter draws from the section's own rows. The sizes keep every pixel
    // centre off the edges between source pixels.
    struct Source {
        const char* name;
        int bits;
        bool topDown;
        std::array<std::uint32_t, 3> masks;  // for 16 bits
    };
    const Source sources[] = {
        {"32 bits top-down", 32, true, {}},
        {"32 bits bottom-up", 32, false, {}},
        {"24 bits top-down", 24, true, {}},
        {"24 bits bottom-up", 24, false, {}},
        {"16 bits 5-6-5 bottom-up", 16, false, {0xF800, 0x07E0, 0x001F}},
        {"16 bits 5-5-5 bottom-up", 16, false, {0x7C00, 0x03E0, 0x001F}},
    };
    struct Copy {
        const char* name;
        Rect destination;
        Rect source;
        std::optional<Rect> clip;
    };
    const Copy copies[] = {
        {"unscaled", {3, 2, 10, 7}, {0, 0, 7, 5}, std::nullopt},
        {"enlarged", {2, 1, 13, 9}, {0, 0, 7, 5}, std::nullopt},
        {"reduced", {1, 1, 5, 4}, {0, 0, 7, 5}, std::nullopt},
        {"part of the source", {2, 2, 12, 9}, {1, 0, 6, 3}, std::nullopt},
        {"clipped", {0, 0, 16, 12}, {0, 0, 7, 5}, Rect{3, 4, 9, 10}},
        {"partly off the target", {-4, -3, 10, 7}, {0, 0, 7, 5}, std::nullopt},
    };
    for (const Source& from : sources) {
        platform::BitmapInfoHeader header;
        header.biWidth = 7;
        header.biHeight = from.topDown ? -5 : 5;
        header.biBitCount = std::uint16_t(from.bits);
        header.biCompression = from.bits == 16 ? BI_BITFIELDS : BI_RGB;
        auto source = Section::create(header, {}, from.bits == 16 ? &from.masks : nullptr);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                source->setPixel(x, y, rgb(std::uint8_t(30 * x), std::uint8_t(50 * y), std::uint8_t(200 - 20 * x)));
        for (const Copy& copy : copies) {
            SCOPED_TRACE(std::string(from.name) + ", " + copy.name);
            QImage image = qtImage(16, 12);
            auto section = sectionTarget(16, 12);
            drawSame(
                [&](DeviceContext& dc) {
                    dc.setClipRect(copy.clip);
                    dc.setStretchMode(StretchMode::ColorOnColor);
                    dc.stretchBlt(copy.destination, *source, copy.source, rop::SrcCopy);
                },
                image, *section);
            EXPECT_EQ(differences(image, *section), 0);
        }
    }

    // Under a painter that moves its origin, as a window's controls paint, the copy moves along.
    auto source = gradient(24);
    QImage moved = qtImage(16, 12);
    {
        QPainter painter(&moved);
        painter.translate(3, 2);
        PainterDeviceContext dc(painter);
        dc.stretchBlt({0, 0, 11, 8}, *source, {0, 0, 7, 5}, rop::SrcCopy);
    }
    auto section = sectionTarget(16, 12);
    SectionDeviceContext(*section).stretchBlt({3, 2, 14, 10}, *source, {0, 0, 7, 5}, rop::SrcCopy);
    EXPECT_EQ(differences(moved, *section), 0);
}

TEST(PainterContext, MaskedCopyAndPatternBlitMatchTheSectionContext)
{
    auto source = gradient();
    auto mask = Section::createMonochrome(7, 5);
    for (int y = 0; y < 5; ++y)
        mask->row(y)[0] = std::uint8_t(0x5A ^ y);
    QImage image = qtImage(10, 8);
    auto section = sectionTarget(10, 8);
    drawSame(
        [&](DeviceContext& dc) {
            dc.maskBlt({1, 1, 8, 6}, *source, {0, 0}, *mask, {0, 0}, 0xCCAA0029);
            dc.setBrush({BrushStyle::Cross, rgb(255, 0, 0), nullptr});
            dc.setBackgroundMode(BackgroundMode::Transparent);
            dc.patBlt({0, 6, 10, 8}, rop::PatCopy);
        },
        image, *section);
    EXPECT_EQ(differences(image, *section), 0);
}

TEST(PainterContext, ClipAndShapesMatchTheSectionContext)
{
    auto source = gradient();
    QImage image = qtImage(12, 10);
    auto section = sectionTarget(12, 10);
    drawSame(
        [&](DeviceContext& dc) {
            dc.setClipRect(Rect{0, 0, 6, 10});
            dc.stretchBlt({0, 0, 12, 10}, *source, {0, 0, 7, 5}, rop::SrcCopy);
            dc.setClipRect(std::nullopt);
            dc.setPen({PenStyle::Solid, 1, 0x000000});
            dc.setBrush({BrushStyle::Solid, 0xFFFFFF, nullptr});
            dc.rectangle({7, 2, 11, 9});
        },
        image, *section);
    EXPECT_EQ(differences(image, *section), 0);
    EXPECT_EQ(image.pixel(8, 0), qRgb(0x40, 0xA0, 0x20));  // clipped away
}

TEST(PainterContext, FarCoordinatesMatchTheSectionContext)
{
    // Rectangles reaching the ends of the coordinate range, drawn where the visible area does
    // not start at 0, so that moving them into the visible area passes the range's end.
    auto dot = makeSection(1, 1, 32);
    dot->setPixel(0, 0, rgb(255, 0, 0));
    auto tile = makeSection(3, 1, 32);
    tile->setPixel(0, 0, rgb(0, 0, 10));
    tile->setPixel(1, 0, rgb(0, 0, 20));
    tile->setPixel(2, 0, rgb(0, 0, 30));
    QImage image = qtImage(8, 8);
    auto section = sectionTarget(8, 8);
    drawSame(
        [&](DeviceContext& dc) {
            dc.setClipRect(Rect{2, 2, 6, 6});
            dc.stretchBlt({INT_MIN + 1, 0, 8, 8}, *dot, {0, 0, 1, 1}, rop::SrcCopy);
            dc.setClipRect(Rect{2, 6, 8, 8});
            dc.setBrush({BrushStyle::Solid, 0, tile.get()});
            dc.setBrushOrigin({INT_MIN + 1, 0});
            dc.patBlt({0, 6, 8, 8}, rop::PatCopy);
            dc.setClipRect(std::nullopt);
            dc.frameRect({0, -2, 8, INT_MAX}, {BrushStyle::Solid, 0x000000, nullptr});
        },
        image, *section);
    EXPECT_EQ(differences(image, *section), 0);
    EXPECT_EQ(image.pixel(3, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 3), qRgb(0x40, 0xA0, 0x20));  // outside the clip
    // Column 2 of the tile row: (2 - (1 - 2^31)) mod 3 = (2^31 + 1) mod 3 = 0.
    EXPECT_EQ(image.pixel(2, 6), qRgb(0, 0, 10));
    // The frame's top and bottom lie outside; its sides are the first and last columns.
    EXPECT_EQ(image.pixel(0, 4), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(7, 4), qRgb(0, 0, 0));
}

TEST(PainterContext, ScaledPainterDrawsTheVisiblePartOfLargeBlits)
{
    // Under a scaling painter, a stretch far larger than the device still shows on all of it.
    auto dot = makeSection(1, 1, 32);
    dot->setPixel(0, 0, rgb(255, 0, 0));
    const Rect rects[] = {{-100000, -100000, 100000, 100000}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (const Rect& r : rects) {
        QImage image = qtImage(8, 8);
        {
            QPainter painter(&image);
            painter.scale(2, 2);
            PainterDeviceContext dc(painter);
            dc.stretchBlt(r, *dot, {0, 0, 1, 1}, rop::SrcCopy);
        }
        EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0)) << r.left;
        EXPECT_EQ(image.pixel(7, 7), qRgb(255, 0, 0)) << r.left;
    }
}

TEST(PainterContext, UnreadableDestinationKeepsWhatTheOperationKeeps)
{
    // A scaled painter cannot be read back: pixels whose result is the destination are left
    // alone, the others are painted. Select-by-source keeps the destination under white source
    // pixels and paints the brush under black ones.
    auto source = makeSection(4, 1, 32);
    source->setPixel(0, 0, 0xFFFFFF);
    source->setPixel(2, 0, 0xFFFFFF);
    QImage image(8, 2, QImage::Format_RGB32);
    image.fill(QColor(0, 255, 0));
    {
        QPainter painter(&image);
        painter.scale(2, 2);
        PainterDeviceContext dc(painter);
        dc.setBrush({BrushStyle::Solid, rgb(255, 0, 0), nullptr});
        dc.bitBlt({0, 0}, *source, {0, 0, 4, 1}, 0x00B8074A);
    }
    const QRgb green = qRgb(0, 255, 0), red = qRgb(255, 0, 0);
    const QRgb expected[8] = {green, green, red, red, green, green, red, red};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(image.pixel(x, 0), expected[x]) << "column " << x;
        EXPECT_EQ(image.pixel(x, 1), expected[x]) << "column " << x;
    }
}

TEST(PainterContext, ReportsTheDevice)
{
    QImage image = qtImage(30, 20);
    QPainter painter(&image);
    auto dc = makePainterContext(painter, 300, 300);
    EXPECT_EQ(dc->pixelSize(), (Size{30, 20}));
    EXPECT_EQ(dc->bitsPerPixel(), 32);
    EXPECT_EQ(dc->logicalDpiX(), 300);
    EXPECT_EQ(dc->section(), nullptr);
    EXPECT_EQ(dc->pixel({0, 0}), background);
    dc->setPixel({1, 1}, rgb(1, 2, 3));
    EXPECT_EQ(dc->pixel({1, 1}), rgb(1, 2, 3));
    auto section = makeSection(2, 2, 8);
    EXPECT_EQ(makeSectionContext(*section)->section(), section.get());
}

TEST(PainterContext, CopiesOntoTargetsThatKeepTransparencyAreOpaque)
{
    // A 32-bit section's fourth byte is unused and holds 0; targets with an alpha channel (a
    // grabbed widget, a translucent image) must still receive opaque pixels.
    auto source = gradient(32);
    for (const QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32}) {
        SCOPED_TRACE(int(format));
        QImage image(16, 12, format);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            PainterDeviceContext dc(painter);
            dc.stretchBlt({2, 1, 13, 9}, *source, {0, 0, 7, 5}, rop::SrcCopy);
        }
        auto section = sectionTarget(16, 12);
        SectionDeviceContext(*section).stretchBlt({2, 1, 13, 9}, *source, {0, 0, 7, 5}, rop::SrcCopy);
        int seeThrough = 0, wrong = 0;
        for (int y = 1; y < 9; ++y)
            for (int x = 2; x < 13; ++x) {
                const QRgb q = image.pixel(x, y);
                seeThrough += qAlpha(q) != 255;
                wrong += rgb(std::uint8_t(qRed(q)), std::uint8_t(qGreen(q)), std::uint8_t(qBlue(q))) != section->pixel(x, y);
            }
        EXPECT_EQ(seeThrough, 0);
        EXPECT_EQ(wrong, 0);
    }
}
