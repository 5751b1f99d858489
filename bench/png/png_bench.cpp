// Loading PNG files: TPNGImage (LoadStream from memory, pixels into a section) against libpng's
// simplified reading into a buffer (png_image_finish_read) and Qt's PNG reader, on a 6000 ×
// 4000 photo with an alpha channel and a 4000 × 3000 palette picture. Both files are written at
// start with libpng's simplified writer from a photo-like picture. The palette picture's bare
// reading is measured twice: as colour-map indices (what we keep) and as blue, green, red,
// alpha. Prints each contender's time as a ratio to the bare readings of the same file.

#include "framework/streams.h"
#include "picture/png/png_image.h"
#include "support/photo.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct BenchFile {
    std::vector<std::uint8_t> bytes;
    bool palette = false;
};

std::map<std::string, BenchFile>& files()
{
    static std::map<std::string, BenchFile> all;
    return all;
}

[[noreturn]] void refused(const png_image& image)
{
    std::fprintf(stderr, "libpng: %s\n", image.message);
    std::exit(1);
}

std::vector<std::uint8_t> written(png_image& image, const std::vector<std::uint8_t>& pixels, const void* colourMap)
{
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, colourMap))
        refused(image);
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, colourMap))
        refused(image);
    bytes.resize(size);
    return bytes;
}

// The photo with an alpha channel that fades from opaque in the middle to half at the corners.
std::vector<std::uint8_t> rgbaPhoto(int width, int height)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y) {
        bench_support::photoRow(width, height, y, seed, row.data());
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[(std::size_t(y) * width + x) * 4];
            std::copy(&row[std::size_t(x) * 3], &row[std::size_t(x) * 3 + 3], p);
            const double dx = (2.0 * x - width) / width;
            const double dy = (2.0 * y - height) / height;
            const double d = std::min(1.0, (dx * dx + dy * dy) / 2);
            p[3] = std::uint8_t(255 - 127 * d);
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_BGRA;
    return written(image, pixels, nullptr);
}

// The photo reduced to 6 × 7 × 6 levels of red, green and blue: 252 colours.
std::vector<std::uint8_t> palettePhoto(int width, int height)
{
    std::vector<std::uint8_t> indexes(std::size_t(width) * height);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y) {
        bench_support::photoRow(width, height, y, seed, row.data());
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* bgr = &row[std::size_t(x) * 3];
            const int r = bgr[2] * 6 / 256, g = bgr[1] * 7 / 256, b = bgr[0] * 6 / 256;
            indexes[std::size_t(y) * width + x] = std::uint8_t((r * 7 + g) * 6 + b);
        }
    }
    std::vector<std::uint8_t> map;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                map.insert(map.end(), {std::uint8_t(r * 51), std::uint8_t(g * 42), std::uint8_t(b * 51)});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = 252;
    return written(image, indexes, map.data());
}

void makeFiles()
{
    files()["rgba"] = {rgbaPhoto(6000, 4000), false};
    files()["palette"] = {palettePhoto(4000, 3000), true};
    for (const auto& [name, file] : files())
        std::printf("%s: %zu bytes\n", name.c_str(), file.bytes.size());
}

void bare(benchmark::State& state, const std::string& kind, png_uint_32 format)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, file.bytes.data(), file.bytes.size())) {
            state.SkipWithError(image.message);
            break;
        }
        image.format = format;
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[PNG_IMAGE_SIZE(image)]);
        std::uint8_t colourMap[256 * 4];
        if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, colourMap)) {
            state.SkipWithError(image.message);
            break;
        }
        benchmark::DoNotOptimize(pixels.get());
        benchmark::ClobberMemory();
    }
}

void ours(benchmark::State& state, const std::string& kind)
{
    TMemoryStream stream(files().at(kind).bytes);
    for (auto _ : state) {
        stream.SetPosition(0);
        TPNGImage image;
        image.LoadStream(stream);
        benchmark::DoNotOptimize(image.Width());
    }
}

void qt(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(file.bytes.data(), int(file.bytes.size()), "PNG"))
            state.SkipWithError("Qt cannot read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void registerAll()
{
    const auto add = [](const std::string& name, auto body, int repetitions) {
        benchmark::RegisterBenchmark(name.c_str(), body)->Unit(benchmark::kMillisecond)->Repetitions(repetitions)->Iterations(2);
    };
    add("bare-bgra/rgba", [](benchmark::State& s) { bare(s, "rgba", PNG_FORMAT_BGRA); }, 5);
    add("ours/rgba", [](benchmark::State& s) { ours(s, "rgba"); }, 5);
    add("qt/rgba", [](benchmark::State& s) { qt(s, "rgba"); }, 3);
    add("bare-indexes/palette", [](benchmark::State& s) { bare(s, "palette", PNG_FORMAT_BGRA_COLORMAP); }, 5);
    add("bare-bgra/palette", [](benchmark::State& s) { bare(s, "palette", PNG_FORMAT_BGRA); }, 5);
    add("ours/palette", [](benchmark::State& s) { ours(s, "palette"); }, 5);
    add("qt/palette", [](benchmark::State& s) { qt(s, "palette"); }, 3);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    makeFiles();
    registerAll();
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios of median times (lower is faster; target for ours: 1.1 or less against the bare "
                "reading, below 1 against Qt)\n");
    for (const char* kind : {"rgba", "palette"})
        for (const char* peer : {"bare-bgra", "bare-indexes", "qt"}) {
            const std::string name = std::string("ours/") + kind;
            const std::string other = std::string(peer) + "/" + kind;
            bench_support::printRatio(reporter, name.c_str(), other.c_str());
        }
    benchmark::Shutdown();
    return 0;
}
