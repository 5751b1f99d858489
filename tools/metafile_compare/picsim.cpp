// picsim A.png B.png: prints the structural similarity (SSIM, 0 to 1) of two drawings. Both
// pictures are put on white (for transparent pixels) and cut to the bounds of what is drawn on
// them (anything not near white), so that a drawing placed on a page compares with the same
// drawing alone; then turned to grey and scaled smoothly to 64 pixels wide at the first
// drawing's proportions. SSIM is the mean over 8 × 8 windows moved one pixel at a time, with
// the usual constants for 8-bit values.
// picsim --bounds A.png: prints the size of the drawn bounds of A as WIDTHxHEIGHT.
// picsim --size-of PICTURE: prints the picture's own size in pixels (as the viewer reads it).

#include "picture/formats.h"
#include "picture/picture.h"
#include "platform/paths.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// The picture on white, cut to what is drawn (the whole picture when nothing is).
QImage drawn(const QImage& source)
{
    QImage flat(source.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, source);
    }
    int left = flat.width(), top = flat.height(), right = -1, bottom = -1;
    for (int y = 0; y < flat.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            const QRgb c = row[x];
            if (qRed(c) < 250 || qGreen(c) < 250 || qBlue(c) < 250) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < left)
        return flat;
    return flat.copy(left, top, right - left + 1, bottom - top + 1);
}

std::vector<double> thumbnail(const QImage& flat, int width, int height)
{
    const QImage small = flat.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::vector<double> grey(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey[std::size_t(y) * std::size_t(width) + std::size_t(x)] = qGray(small.pixel(x, y));
    return grey;
}

double ssim(const std::vector<double>& a, const std::vector<double>& b, int width, int height)
{
    constexpr int window = 8;
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double total = 0;
    int windows = 0;
    for (int y = 0; y + window <= height; ++y)
        for (int x = 0; x + window <= width; ++x) {
            double ma = 0, mb = 0;
            for (int j = 0; j < window; ++j)
                for (int i = 0; i < window; ++i) {
                    const std::size_t at = std::size_t(y + j) * std::size_t(width) + std::size_t(x + i);
                    ma += a[at];
                    mb += b[at];
                }
            const double n = window * window;
            ma /= n;
            mb /= n;
            double va = 0, vb = 0, cov = 0;
            for (int j = 0; j < window; ++j)
                for (int i = 0; i < window; ++i) {
                    const std::size_t at = std::size_t(y + j) * std::size_t(width) + std::size_t(x + i);
                    va += (a[at] - ma) * (a[at] - ma);
                    vb += (b[at] - mb) * (b[at] - mb);
                    cov += (a[at] - ma) * (b[at] - mb);
                }
            va /= n - 1;
            vb /= n - 1;
            cov /= n - 1;
            total += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++windows;
        }
    return windows ? total / windows : 1.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--size-of") {
        RegisterPictureFormats();
        const std::optional<std::string> name = platform::toDriveLetterPath(argv[2]);
        try {
            TPicture picture;
            picture.LoadFile(name.value_or(argv[2]));
            std::printf("%dx%d\n", picture.Width(), picture.Height());
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "--bounds") {
        const QImage a(QString::fromLocal8Bit(argv[2]));
        if (a.isNull())
            return 1;
        const QImage cut = drawn(a);
        std::printf("%dx%d\n", cut.width(), cut.height());
        return 0;
    }
    if (argc != 3) {
        std::fputs("usage: picsim A.png B.png | picsim --bounds A.png\n", stderr);
        return 2;
    }
    const QImage a = drawn(QImage(QString::fromLocal8Bit(argv[1]))), b = drawn(QImage(QString::fromLocal8Bit(argv[2])));
    if (a.isNull() || b.isNull()) {
        std::fputs("picsim: cannot read both pictures\n", stderr);
        return 1;
    }
    const int width = 64;
    const int height = std::max(8, int(std::lround(64.0 * a.height() / std::max(1, a.width()))));
    std::printf("%.4f\n", ssim(thumbnail(a, width, height), thumbnail(b, width, height), width, height));
    return 0;
}
