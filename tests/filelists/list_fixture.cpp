#include "list_fixture.h"

#include "framework/colors.h"
#include "platform/drives/drives.h"

#include <QPainter>

#include <algorithm>

namespace testing_support {

ListsTest::ListsTest()
{
    files.setLabel("/dev/sda1", "SYSTEM");
    files.addMount("cd", FakeFileSystem::Medium::CDRom, "FERIAS");
    files.addMount("net", FakeFileSystem::Medium::Network, "", "//Servidor/Fotos");
    files.addMount("ram", FakeFileSystem::Medium::RamDisk);
    files.addMount("usb", FakeFileSystem::Medium::Removable, "FOTOS");
}

void ListsTest::goTo(const std::string& path)
{
    ASSERT_EQ(platform::setCurrentDirectory(path), 0) << path;
}

std::string ListsTest::current() const
{
    return platform::currentDirectory().value;
}

std::vector<std::string> itemsOf(const TStrings& items)
{
    return items.ToVector();
}

QImage paintItem(TOwnerDrawList& list, int index, int width, int height, TOwnerDrawState state)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(unpainted);
    QPainter painter(&image);
    list.PaintListItem(painter, index, TRect{0, 0, width, height}, state);
    painter.end();
    return image;
}

int firstPixelOf(const QImage& image, int y, QRgb colour, int limit)
{
    const int end = limit < 0 ? image.width() : std::min(limit, image.width());
    for (int x = 0; x < end; ++x)
        if (image.pixel(x, y) == colour)
            return x;
    return -1;
}

QRgb rgbOf(TColor color)
{
    const platform::Colour rgb = ColorToRGB(color);
    return qRgb(platform::redOf(rgb), platform::greenOf(rgb), platform::blueOf(rgb));
}

} // namespace testing_support
