// Platform icons and alpha blending: drawing through the mask, blending on sections and
// painters (and the masked stand-in of other targets), and the image given to the tray.

#include "platform/device_context.h"
#include "platform/icon.h"
#include "platform/section_device_context.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using platform::Section;

// 4 × 1 pixels of white with alpha 255, 192, 64 and 0 (blue, green, red, alpha in memory).
std::unique_ptr<Section> alphaRow()
{
    auto section = Section::createDisplayCompatible(4, 1);
    const std::uint8_t alphas[] = {255, 192, 64, 0};
    for (int x = 0; x < 4; ++x) {
        std::uint8_t* p = section->row(0) + 4 * x;
        p[0] = p[1] = p[2] = 0xFF;
        p[3] = alphas[x];
    }
    return section;
}

TEST(AlphaBlend, SectionsBlendEachPixel)
{
    // White over black: 255 × alpha / 255, rounded: 255, 192, 64, 0.
    auto target = Section::createDisplayCompatible(6, 2);
    auto context = platform::makeSectionContext(*target);
    context->alphaBlend({1, 1}, *alphaRow());
    EXPECT_EQ(target->pixel(1, 1), 0xFFFFFF);
    EXPECT_EQ(target->pixel(2, 1), 0xC0C0C0);
    EXPECT_EQ(target->pixel(3, 1), 0x404040);
    EXPECT_EQ(target->pixel(4, 1), 0x000000);
    EXPECT_EQ(target->pixel(1, 0), 0x000000);
    // Clipped, and partly off the section: nothing outside is touched, nothing fails.
    target->fill(0);
    context->setClipRect(platform::Rect{0, 0, 2, 2});
    context->alphaBlend({0, 0}, *alphaRow());
    context->alphaBlend({-3, 1}, *alphaRow());
    EXPECT_EQ(target->pixel(0, 0), 0xFFFFFF);
    EXPECT_EQ(target->pixel(1, 0), 0xC0C0C0);
    EXPECT_EQ(target->pixel(2, 0), 0x000000);
    EXPECT_EQ(target->pixel(0, 1), 0x000000);  // the source's fourth pixel, alpha 0
}

TEST(AlphaBlend, PaintersBlendThroughQt)
{
    QImage image(4, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        platform::makePainterContext(painter)->alphaBlend({0, 0}, *alphaRow());
    }
    const int expected[] = {255, 192, 64, 0};
    for (int x = 0; x < 4; ++x)
        EXPECT_NEAR(qRed(image.pixel(x, 0)), expected[x], 1) << x;
}

TEST(AlphaBlend, OtherTargetsDrawHalfOpaquePixelsThroughAMask)
{
    auto target = Section::createDisplayCompatible(4, 1);
    target->fill(0x102030);
    platform::SectionDeviceContext context(*target);
    context.setTextColour(0x0000FF);
    context.DeviceContext::alphaBlend({0, 0}, *alphaRow());
    EXPECT_EQ(target->pixel(0, 0), 0xFFFFFF);
    EXPECT_EQ(target->pixel(1, 0), 0xFFFFFF);
    EXPECT_EQ(target->pixel(2, 0), 0x102030);
    EXPECT_EQ(target->pixel(3, 0), 0x102030);
    EXPECT_EQ(context.textColour(), 0x0000FFu);  // the context's colours come back
}

TEST(PlatformIcon, RefusesBitmapsThatDoNotFitTogether)
{
    EXPECT_EQ(platform::Icon::create(Section::createDisplayCompatible(4, 4), Section::createMonochrome(4, 3), false),
              nullptr);
    EXPECT_EQ(platform::Icon::create(Section::createMonochrome(4, 4), Section::createMonochrome(4, 4), false), nullptr);
    EXPECT_NE(platform::Icon::create(Section::createDisplayCompatible(4, 4), Section::createMonochrome(4, 4), false),
              nullptr);
}

TEST(PlatformIcon, TrayImageTakesItsAlphaFromTheMaskOrTheAlphaChannel)
{
    // Pixels: red shown (mask 0), black see-through (mask 1), white inverting (mask 1).
    auto colour = Section::createDisplayCompatible(3, 1);
    auto mask = Section::createMonochrome(3, 1);
    colour->setPixel(0, 0, 0x0000FF);
    colour->setPixel(2, 0, 0xFFFFFF);
    mask->setPixel(1, 0, 0xFFFFFF);
    mask->setPixel(2, 0, 0xFFFFFF);
    const auto masked = platform::Icon::create(std::move(colour), std::move(mask), false);
    const QImage image = platform::iconImage(*masked);
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(image.pixel(2, 0), qRgba(255, 255, 255, 255));

    const auto blended = platform::Icon::create(alphaRow(), Section::createMonochrome(4, 1), true);
    const QImage withAlpha = platform::iconImage(*blended).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(withAlpha.pixel(1, 0)), 192);
    EXPECT_EQ(qAlpha(withAlpha.pixel(3, 0)), 0);
}

} // namespace
