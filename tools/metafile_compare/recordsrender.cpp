// recordsrender INPUT.emf OUTPUT.png WIDTHxHEIGHT plus|ordinary: draws an enhanced metafile on
// white with one of its record sets, whatever the file's header says, so that the two drawings
// of a dual file (ordinary records and "plus" records) can each be compared with a reference.

#include "platform/metafile/enhanced_metafile.h"
#include "platform/metafile/plus_player.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s INPUT.emf OUTPUT.png WIDTHxHEIGHT plus|ordinary\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    int width = 0, height = 0;
    if (std::sscanf(argv[3], "%dx%d", &width, &height) != 2 || width < 1 || height < 1 || width > 16384 || height > 16384) {
        std::fprintf(stderr, "bad size %s\n", argv[3]);
        return 2;
    }
    const std::string which = argv[4];
    if (which != "plus" && which != "ordinary") {
        std::fprintf(stderr, "record set must be plus or ordinary\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const QByteArray data = file.readAll();
    const auto metafile = platform::EnhancedMetafile::fromBytes(std::vector<std::uint8_t>(data.begin(), data.end()));
    if (!metafile) {
        std::fprintf(stderr, "Metafile is not valid\n");
        return 1;
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        auto context = platform::makePainterContext(painter);
        platform::plus::playEnhancedMetafile(*context, *metafile, {0, 0, width - 1, height - 1},
                                             which == "plus" ? platform::plus::RecordSet::Plus
                                                             : platform::plus::RecordSet::Ordinary);
    }
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
