// Playing a 10,000-record enhanced metafile into a 2000 × 2000 picture: onto a pixel section and
// onto a QImage through a painter, against Qt's own recorded drawing (a QPicture of the same
// figures, with the same pens, brushes and fonts, replayed onto a QImage) and against the bare
// QPainter calls. The metafile is recorded at start with the platform's recorder; the picture is
// cleared before each play. Prints each contender's time as a ratio to the peers.

#include "platform/metafile/emf_recorder.h"
#include "platform/metafile/enhanced_metafile.h"
#include "platform/painter_device_context.h"
#include "platform/section_device_context.h"
#include "support/ratio_reporter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <random>

namespace {

constexpr int side = 2000;
constexpr std::uint32_t wantedRecords = 10000;

// One figure of the scene, in a form both the recorder and QPainter can draw.
struct Figure {
    int kind;  // 0 rectangle, 1 ellipse, 2 polyline, 3 text, 4 filled rectangle
    platform::Rect box;
    platform::Colour pen;
    platform::Colour brush;
    int penWidth;
};

std::vector<Figure>& scene()
{
    static std::vector<Figure> figures;
    return figures;
}

platform::MetafileHandle& metafile()
{
    static platform::MetafileHandle handle;
    return handle;
}

QPicture& picture()
{
    static QPicture p;
    return p;
}

void drawFigure(platform::DeviceContext& dc, const Figure& f)
{
    switch (f.kind) {
    case 0: dc.rectangle(f.box); break;
    case 1: dc.ellipse(f.box); break;
    case 2: {
        const platform::Point points[] = {{f.box.left, f.box.top}, {f.box.right, f.box.top}, {f.box.left, f.box.bottom},
                                          {f.box.right, f.box.bottom}, {f.box.left, f.box.top}};
        dc.polyline(points);
        break;
    }
    case 3: dc.textOut({f.box.left, f.box.top}, "Pictavo 2.0"); break;
    default: dc.fillRect(f.box, {platform::BrushStyle::Solid, f.brush, nullptr}); break;
    }
}

void drawFigure(QPainter& painter, const Figure& f)
{
    const QRect r(f.box.left, f.box.top, f.box.right - f.box.left - 1, f.box.bottom - f.box.top - 1);
    switch (f.kind) {
    case 0: painter.drawRect(r); break;
    case 1: painter.drawEllipse(r); break;
    case 2: {
        const QPoint points[] = {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(), r.topLeft()};
        painter.drawPolyline(points, 5);
        break;
    }
    case 3: painter.drawText(r.topLeft(), QStringLiteral("Pictavo 2.0")); break;
    default: painter.fillRect(r, QColor::fromRgb(platform::redOf(f.brush), platform::greenOf(f.brush), platform::blueOf(f.brush))); break;
    }
}

QColor qtColour(platform::Colour c)
{
    return QColor(platform::redOf(c), platform::greenOf(c), platform::blueOf(c));
}

void makeScene()
{
    std::mt19937 random(13);
    std::uniform_int_distribution<int> position(0, side - 60), size(4, 60), colour(0, 0xFFFFFF), kind(0, 4);
    platform::ReferenceDevice device;
    device.pixels = {side, side};
    device.millimetres = {529, 529};
    auto recorder = platform::createEnhancedMetafileRecorder(device, {0, 0, 52900, 52900}, u"");
    platform::FontSpec font;
    font.family = "DejaVu Sans";
    font.height = -12;
    recorder->setFont(font);
    std::uint32_t records = 8;
    while (records < wantedRecords) {
        Figure f;
        f.kind = kind(random);
        const int x = position(random), y = position(random);
        f.box = {x, y, x + size(random), y + size(random)};
        f.pen = platform::Colour(colour(random));
        f.brush = platform::Colour(colour(random));
        f.penWidth = 1 + int(scene().size() % 3);
        // Pens and brushes change every fourth figure, as drawings mostly reuse them.
        if (scene().size() % 4 == 0) {
            recorder->setPen({platform::PenStyle::Solid, f.penWidth, f.pen});
            recorder->setBrush({platform::BrushStyle::Solid, f.brush, nullptr});
            records += 6;
        } else if (!scene().empty()) {
            f.pen = scene().back().pen;
            f.brush = scene().back().brush;
            f.penWidth = scene().back().penWidth;
        }
        drawFigure(*recorder, f);
        records += f.kind == 4 ? 5 : 1;
        scene().push_back(f);
    }
    metafile() = platform::closeEnhancedMetafile(std::move(recorder));

    QPainter painter(&picture());
    QFont qfont(QStringLiteral("DejaVu Sans"));
    qfont.setPixelSize(12);
    painter.setFont(qfont);
    for (const Figure& f : scene()) {
        painter.setPen(QPen(qtColour(f.pen), f.penWidth));
        painter.setBrush(qtColour(f.brush));
        drawFigure(painter, f);
    }
}

std::uint32_t recordCount()
{
    const auto& bytes = metafile()->bytes();
    std::uint32_t count = 0;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        const std::uint32_t size = std::uint32_t(bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | bytes[at + 7] << 24);
        if (size < 8)
            break;
        at += size;
        ++count;
    }
    return count;
}

void playOntoSection(benchmark::State& state)
{
    auto section = platform::Section::createDisplayCompatible(side, side);
    for (auto _ : state) {
        section->fill(0xFFFFFF);
        platform::SectionDeviceContext dc(*section);
        platform::playEnhancedMetafile(dc, *metafile(), {0, 0, side - 1, side - 1});
        benchmark::DoNotOptimize(section->bits());
    }
}

void playOntoImage(benchmark::State& state)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        platform::PainterDeviceContext dc(painter);
        platform::playEnhancedMetafile(dc, *metafile(), {0, 0, side - 1, side - 1});
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void replayQPicture(benchmark::State& state)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.drawPicture(0, 0, picture());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void parseOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto copy = platform::EnhancedMetafile::fromBytes(metafile()->bytes());
        benchmark::DoNotOptimize(copy);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    makeScene();
    std::printf("metafile: %u records, %zu bytes, %zu figures\n", recordCount(), metafile()->bytes().size(), scene().size());
    benchmark::RegisterBenchmark("play/section", playOntoSection)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("play/qimage", playOntoImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("QPicture/qimage", replayQPicture)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("parse", parseOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bench_support::printRatio(reporter, "play/section", "QPicture/qimage");
    bench_support::printRatio(reporter, "play/qimage", "QPicture/qimage");
    benchmark::Shutdown();
    return 0;
}
