// Decoding 6000 × 4000 JPEG files: TJPEGImage (its first decode into the bitmap, from an image
// that already holds the loaded bytes) against a bare decode loop of the same library into
// fresh memory with the same settings (blue, green, red rows; slow integer DCT; block
// smoothing), and Qt's JPEG reader as a further peer. Both files, a baseline and a progressive
// one, are made at start with the library from a photo-like picture. Prints each contender's
// time as a ratio to the bare loop on the same file.

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"
#include "support/photo.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int width = 6000;
constexpr int height = 4000;

struct BenchFile {
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<TJPEGImage> loaded;  // holds the bytes; never decoded itself
};

std::map<std::string, BenchFile>& files()
{
    static std::map<std::string, BenchFile> all;
    return all;
}

void makeFiles()
{
    for (const bool progressive : {false, true}) {
        BenchFile& file = files()[progressive ? "progressive" : "baseline"];
        file.bytes = bench_support::photoJpeg(width, height, progressive);
        file.loaded = std::make_unique<TJPEGImage>();
        TMemoryStream stream(file.bytes);
        file.loaded->LoadStream(stream);
        std::printf("%s: %zu bytes\n", progressive ? "progressive" : "baseline", file.bytes.size());
    }
}

void bare(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> pixels;
        const bool decoded = bench_support::bareJpegDecode(file.bytes, [&](std::size_t bytes) {
            pixels.reset(new std::uint8_t[bytes]);
            return pixels.get();
        });
        if (!decoded)
            state.SkipWithError("the library refused the file");
        benchmark::DoNotOptimize(pixels.get());
        benchmark::ClobberMemory();
    }
}

void ours(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        TJPEGImage image;
        image.CopyFrom(file.loaded.get());  // shares the loaded bytes
        TBitmap& bitmap = image.DecodedBitmap();
        benchmark::DoNotOptimize(bitmap.Width());
    }
}

void qt(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(file.bytes.data(), int(file.bytes.size()), "JPEG"))
            state.SkipWithError("Qt cannot read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Each contender's median and best time as a ratio to the bare loop's on the same file.
void printRatios(const bench_support::RatioReporter& reporter)
{
    using bench_support::best;
    using bench_support::median;
    std::printf("\nratio to the bare library loop on the same file (lower is faster; target for "
                "ours: 1.05 or less)\n");
    std::printf("  %-22s %12s %12s %12s\n", "", "median real", "median cpu", "best real");
    for (const auto& [name, t] : reporter.times()) {
        const std::string kind = name.substr(name.find('/') + 1);
        const bench_support::RunTimes* base = reporter.find("bare/" + kind);
        if (!base || name.rfind("bare/", 0) == 0)
            continue;
        std::printf("  %-22s %12.3f %12.3f %12.3f\n", name.c_str(), median(t.real) / median(base->real),
                    median(t.cpu) / median(base->cpu), best(t.real) / best(base->real));
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    makeFiles();
    for (const char* kind : {"baseline", "progressive"}) {
        const std::string k = kind;
        // Each contender repeats; the bare loop and ours alternate in registration order.
        benchmark::RegisterBenchmark(("bare/" + k).c_str(), [k](benchmark::State& s) { bare(s, k); })
            ->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(3);
        benchmark::RegisterBenchmark(("ours/" + k).c_str(), [k](benchmark::State& s) { ours(s, k); })
            ->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(3);
        benchmark::RegisterBenchmark(("qt/" + k).c_str(), [k](benchmark::State& s) { qt(s, k); })
            ->Unit(benchmark::kMillisecond)->Repetitions(3)->Iterations(2);
    }
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
