// Nearest-pixel stretching of a 6000 × 4000 photo onto 1600 × 1000: our engine section to
// section and through the painter context onto a QImage, against QImage::scaled, QPainter's
// drawImage into a target rectangle and a plain loop over precomputed columns (the floor), all on
// the same pixels in the same run. Prints each one's time as a ratio to the plain loop, and the
// painter context's time as a ratio to drawImage's (the painter context draws pictures into
// windows; its target is 1.1 or less). That last ratio is measured once more with the two
// alternating draw by draw, which a busy machine disturbs least; the photo is drawn both from
// top-down rows and from bottom-up rows (as bitmap files and decoded JPEG pictures hold them).

#include "platform/device_context.h"
#include "platform/section.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int sourceWidth = 6000;
constexpr int sourceHeight = 4000;
constexpr int targetWidth = 1600;
constexpr int targetHeight = 1000;

const platform::Section& photo()
{
    static const std::unique_ptr<platform::Section> section = [] {
        auto s = platform::Section::createDisplayCompatible(sourceWidth, sourceHeight);
        std::uint32_t state = 12345;
        for (int y = 0; y < sourceHeight; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(s->row(y));
            for (int x = 0; x < sourceWidth; ++x) {
                state = state * 1664525u + 1013904223u;
                row[x] = (state >> 8) & 0xFFFFFF;
            }
        }
        return s;
    }();
    return *section;
}

void sectionStretch(benchmark::State& state)
{
    auto target = platform::Section::createDisplayCompatible(targetWidth, targetHeight);
    auto dc = platform::makeSectionContext(*target);
    dc->setStretchMode(platform::StretchMode::ColorOnColor);
    for (auto _ : state) {
        dc->stretchBlt({0, 0, targetWidth, targetHeight}, photo(), {0, 0, sourceWidth, sourceHeight},
                       platform::rop::SrcCopy);
        benchmark::DoNotOptimize(target->bits());
        benchmark::ClobberMemory();
    }
}

void painterContextStretch(benchmark::State& state)
{
    QImage target(targetWidth, targetHeight, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    auto dc = platform::makePainterContext(painter);
    dc->setStretchMode(platform::StretchMode::ColorOnColor);
    for (auto _ : state) {
        dc->stretchBlt({0, 0, targetWidth, targetHeight}, photo(), {0, 0, sourceWidth, sourceHeight},
                       platform::rop::SrcCopy);
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
    }
}

// The painter context and drawImage alternating on the same target, each draw timed on its own.
// The time reported is the painter context's; the pairs' ratios are kept for printing.
std::vector<double>& pairedRatios(bool bottomUp)
{
    static std::vector<double> ratios[2];
    return ratios[bottomUp];
}

void pairedWithDrawImage(benchmark::State& state, bool bottomUp)
{
    const platform::Section& top = photo();
    std::unique_ptr<platform::Section> flipped;
    if (bottomUp) {
        platform::BitmapInfoHeader header = top.header();
        header.biHeight = sourceHeight;
        flipped = platform::Section::create(header);
        for (int y = 0; y < sourceHeight; ++y)
            std::memcpy(flipped->row(y), top.row(y), std::size_t(top.stride()));
    }
    const platform::Section& source = bottomUp ? *flipped : top;
    const QImage image = top.toImage();
    QImage target(targetWidth, targetHeight, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    auto dc = platform::makePainterContext(painter);
    dc->setStretchMode(platform::StretchMode::ColorOnColor);
    std::vector<double>& ratios = pairedRatios(bottomUp);
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        dc->stretchBlt({0, 0, targetWidth, targetHeight}, source, {0, 0, sourceWidth, sourceHeight},
                       platform::rop::SrcCopy);
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
        const Clock::time_point middle = Clock::now();
        state.PauseTiming();
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const Clock::time_point peerStart = Clock::now();
        painter.drawImage(QRect(0, 0, targetWidth, targetHeight), image);
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
        const Clock::time_point end = Clock::now();
        painter.restore();
        state.ResumeTiming();
        ratios.push_back(std::chrono::duration<double>(middle - start).count()
                         / std::chrono::duration<double>(end - peerStart).count());
    }
}

void qimageScaled(benchmark::State& state)
{
    const QImage source = photo().toImage();
    for (auto _ : state) {
        QImage scaled = source.scaled(targetWidth, targetHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

void qpainterDrawImage(benchmark::State& state)
{
    const QImage source = photo().toImage();
    QImage target(targetWidth, targetHeight, QImage::Format_RGB32);
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (auto _ : state) {
        painter.drawImage(QRect(0, 0, targetWidth, targetHeight), source);
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
    }
}

void plainLoop(benchmark::State& state)
{
    auto target = platform::Section::createDisplayCompatible(targetWidth, targetHeight);
    const platform::Section& source = photo();
    std::vector<int> columns(targetWidth);
    for (auto _ : state) {
        // The column table is rebuilt every time, as any caller with new sizes must.
        for (int x = 0; x < targetWidth; ++x)
            columns[std::size_t(x)] = int((2LL * x + 1) * sourceWidth / (2LL * targetWidth));
        for (int y = 0; y < targetHeight; ++y) {
            const int sy = int((2LL * y + 1) * sourceHeight / (2LL * targetHeight));
            const auto* in = reinterpret_cast<const std::uint32_t*>(source.row(sy));
            auto* out = reinterpret_cast<std::uint32_t*>(target->row(y));
            for (int x = 0; x < targetWidth; ++x)
                out[x] = in[columns[std::size_t(x)]];
        }
        benchmark::DoNotOptimize(target->bits());
        benchmark::ClobberMemory();
    }
}

// Each contender's mean time as a ratio to the plain loop's.
void printRatios(const bench_support::RatioReporter& reporter)
{
    using bench_support::mean;
    const bench_support::RunTimes* base = reporter.find("plainLoop");
    if (!base)
        return;
    // CPU time is given too: on a shared machine it is the steadier of the two.
    std::printf("\nratio vs C loop (time / plain loop time, lower is faster):\n");
    std::printf("  %-30s %8s %8s\n", "", "real", "cpu");
    for (const auto& [name, t] : reporter.times())
        std::printf("  %-30s %8.2f %8.2f\n", name.c_str(), mean(t.real) / mean(base->real),
                    mean(t.cpu) / mean(base->cpu));

    std::printf("\npainter context / QPainter::drawImage (target 1.1 or less):\n  ");
    bench_support::printRatio(reporter, "painterContextStretch", "qpainterDrawImage");
    for (const bool bottomUp : {false, true}) {
        const std::vector<double>& ratios = pairedRatios(bottomUp);
        if (!ratios.empty())
            std::printf("  alternating, %s rows: median %.2f of %zu pairs\n", bottomUp ? "bottom-up" : "top-down",
                        bench_support::median(ratios), ratios.size());
    }
}

} // namespace

BENCHMARK(plainLoop)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(sectionStretch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(painterContextStretch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(qimageScaled)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(qpainterDrawImage)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(pairedWithDrawImage, topDown, false)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(pairedWithDrawImage, bottomUp, true)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    photo();  // made before timing starts
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
