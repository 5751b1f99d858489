#include "support/test_pictures.h"

#include "framework/control.h"
#include "platform/paths.h"

#include <QWidget>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace testing_support {

namespace {
void putU16(std::string& out, unsigned value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void putU32(std::string& out, unsigned value)
{
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}
} // namespace

std::string quadrantBitmap(int width, int height)
{
    const unsigned rowBytes = (unsigned(width) * 3 + 3) & ~3u;
    const unsigned imageBytes = rowBytes * unsigned(height);
    std::string file;
    // File header: "BM", file size, two reserved words, offset of the pixels (14 + 40).
    file += "BM";
    putU32(file, 54 + imageBytes);
    putU16(file, 0);
    putU16(file, 0);
    putU32(file, 54);
    // Info header: size 40, width, height (positive: bottom-up), 1 plane, 24 bits, no
    // compression, image size, 2835 pixels per metre both ways, no colour table.
    putU32(file, 40);
    putU32(file, unsigned(width));
    putU32(file, unsigned(height));
    putU16(file, 1);
    putU16(file, 24);
    putU32(file, 0);
    putU32(file, imageBytes);
    putU32(file, 2835);
    putU32(file, 2835);
    putU32(file, 0);
    putU32(file, 0);
    // Rows bottom-up, pixels blue-green-red, rows padded to 4 bytes.
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = row >= height / 2;
            const Rgb c = bottom ? (right ? white : blue) : (right ? green : red);
            line += char(c.blue);
            line += char(c.green);
            line += char(c.red);
        }
        line.resize(rowBytes, '\0');
        file += line;
    }
    return file;
}

QImage grabControl(TControl& control)
{
    // Into an opaque image, as a window's surface on the display is: pictures copied as stored
    // rows bring their unused fourth byte along, which a surface with alpha would take as
    // see-through.
    QWidget* widget = control.Widget();
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget->render(&image);
    return image;
}

Rgb pixelAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))};
}

std::string describe(const Rgb& colour)
{
    char text[32];
    std::snprintf(text, sizeof text, "(%u, %u, %u)", colour.red, colour.green, colour.blue);
    return text;
}

void PrintTo(const Rgb& colour, std::ostream* os)
{
    *os << describe(colour);
}

std::string writeFile(const std::string& directory, const std::string& name, const std::string& bytes)
{
    const std::string native = directory + "/" + name;
    std::ofstream out(native, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + native);
    const auto path = platform::toDriveLetterPath(native);
    if (!path)
        throw std::runtime_error("no drive-letter path for " + native);
    return *path;
}

} // namespace testing_support
