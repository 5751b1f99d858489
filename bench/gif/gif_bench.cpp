// Decoding and encoding a 6000 × 4000 photo-like GIF (256 colours, ordered dither), plain and
// interlaced. Decoding: giflib (DGifSlurp, which leaves the frame as indexes) against our
// decoder into an 8-bit section (the same work: indexes in display order), our whole load
// (reading the file, decoding the first frame, holding it as a display bitmap), and Qt's
// reader. Encoding: giflib's EGifPutLine against our LZW encoder on the same indexes, and our
// whole save of an image made from an 8-bit bitmap. Prints each contender's time as a ratio to
// giflib's on the same file.

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/gif/gif_codec.h"
#include "picture/gif/gif_image.h"
#include "picture/gif/lzw.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int width = 6000;
constexpr int height = 4000;

// The picture: indexes into a 6 × 6 × 6 colour cube, top row first.
std::vector<std::uint8_t>& indexes()
{
    static std::vector<std::uint8_t> pixels;
    return pixels;
}

struct BenchFile {
    std::vector<std::uint8_t> bytes;
    bool interlaced = false;
};

std::map<std::string, BenchFile>& files()
{
    static std::map<std::string, BenchFile> all;
    return all;
}

int cubeLevel(double value, int threshold)
{
    // Ordered dither between the cube's six levels.
    const double scaled = std::clamp(value, 0.0, 255.0) / 51.0;
    const int base = int(scaled);
    return std::min(5, base + ((scaled - base) * 16 > threshold ? 1 : 0));
}

// A photo-like picture: smooth light and colour changes with a little grain, dithered to the
// cube as a GIF of a photograph would be.
void makePicture()
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<std::uint8_t>& pixels = indexes();
    pixels.resize(std::size_t(width) * height);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y) {
        const double fy = y / double(height);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int((seed >> 24) & 7) - 3;
            const double fx = x / double(width);
            const double light = 0.5 + 0.35 * std::sin(fx * 7.0 + fy * 3.0) * std::cos(fy * 5.0);
            const int t = bayer[y & 3][x & 3];
            const int r = cubeLevel(255 * light * (0.9 - 0.5 * fx) + grain, t);
            const int g = cubeLevel(255 * light * (0.5 + 0.3 * fy) + grain, t);
            const int b = cubeLevel(255 * light * (0.6 + 0.4 * fx) + grain, t);
            pixels[std::size_t(y) * width + x] = std::uint8_t(36 * r + 6 * g + b);
        }
    }
}

ColorMapObject* cubeColours()
{
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i) {
        const int level[3] = {i / 36 % 6, i / 6 % 6, i % 6};
        map->Colors[i] = {GifByteType(51 * level[0]), GifByteType(51 * level[1]), GifByteType(51 * level[2])};
    }
    return map;
}

int appendOutput(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// The picture as a GIF file written by giflib.
std::vector<std::uint8_t> giflibEncode(bool interlaced)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendOutput, &error);
    ColorMapObject* colours = cubeColours();
    EGifPutScreenDesc(gif, width, height, 8, 0, colours);
    EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr);
    static const int starts[4] = {0, 4, 2, 1};
    static const int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
        for (int y = interlaced ? starts[pass] : 0; y < height; y += interlaced ? steps[pass] : 1)
            EGifPutLine(gif, indexes().data() + std::size_t(y) * width, width);
    GifFreeMapObject(colours);
    if (EGifCloseFile(gif, &error) != GIF_OK) {
        std::fprintf(stderr, "giflib cannot write the test file\n");
        std::exit(1);
    }
    return out;
}

struct Reading {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at = 0;
};

int readInput(GifFileType* gif, GifByteType* data, int length)
{
    auto* in = static_cast<Reading*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(std::size_t(length), in->bytes->size() - in->at);
    std::memcpy(data, in->bytes->data() + in->at, count);
    in->at += count;
    return int(count);
}

// Both decoders must give back the picture, in display order, before anything is timed.
void verify(const BenchFile& file)
{
    Reading reading{&file.bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reading, readInput, &error);
    const bool giflibRight = gif && DGifSlurp(gif) == GIF_OK
                             && std::memcmp(gif->SavedImages[0].RasterBits, indexes().data(), indexes().size()) == 0;
    DGifCloseFile(gif, &error);

    TGIFImage image;
    TMemoryStream stream(file.bytes);
    image.LoadStream(stream);
    const TGIFItem& item = image.Frames(0).Data();
    const auto frame = gif::indexedSection(item, file.interlaced, *gif::decodeIndexes(item, {}));
    bool oursRight = true;
    for (int y = 0; oursRight && y < height; ++y)
        oursRight = std::memcmp(frame->row(y), indexes().data() + std::size_t(y) * width, width) == 0;
    if (!giflibRight || !oursRight) {
        std::fprintf(stderr, "%s decodes the %s file wrongly\n", giflibRight ? "ours" : "giflib",
                     file.interlaced ? "interlaced" : "plain");
        std::exit(1);
    }
}

void makeFiles()
{
    makePicture();
    for (const bool interlaced : {false, true}) {
        BenchFile& file = files()[interlaced ? "interlaced" : "plain"];
        file.bytes = giflibEncode(interlaced);
        file.interlaced = interlaced;
        verify(file);
        std::printf("%s: %zu bytes\n", interlaced ? "interlaced" : "plain", file.bytes.size());
    }
}

// giflib: the whole file read, the frame left as indexes in display order.
void giflibDecode(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        Reading reading{&file.bytes};
        int error = 0;
        GifFileType* gif = DGifOpen(&reading, readInput, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1)
            state.SkipWithError("giflib cannot read the file");
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        benchmark::ClobberMemory();
        DGifCloseFile(gif, &error);
    }
}

// Ours: the frame decoded into an 8-bit section, rows in display order.
void oursIndexes(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    TGIFImage loaded;
    TMemoryStream stream(file.bytes);
    loaded.LoadStream(stream);
    const TGIFItem& item = loaded.Frames(0).Data();
    for (auto _ : state) {
        const auto frame = gif::indexedSection(item, file.interlaced, *gif::decodeIndexes(item, {}));
        benchmark::DoNotOptimize(frame->bits());
        benchmark::ClobberMemory();
    }
}

// Ours: what the viewer does, the file loaded and its first frame made a display bitmap.
void oursLoad(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        TGIFImage image;
        TMemoryStream stream(file.bytes);
        image.LoadStream(stream);
        benchmark::DoNotOptimize(image.Width());
    }
}

void qtDecode(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(file.bytes.data(), int(file.bytes.size()), "GIF"))
            state.SkipWithError("Qt cannot read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void giflibEncodeBench(benchmark::State& state, const std::string& kind)
{
    const bool interlaced = files().at(kind).interlaced;
    for (auto _ : state) {
        std::vector<std::uint8_t> out = giflibEncode(interlaced);
        benchmark::DoNotOptimize(out.data());
    }
}

void oursEncode(benchmark::State& state, const std::string& kind)
{
    const bool interlaced = files().at(kind).interlaced;
    gif::IndexedRows rows;
    rows.width = width;
    rows.height = height;
    rows.depth = 8;
    rows.row = [](int row) { return indexes().data() + std::size_t(row) * width; };
    for (auto _ : state) {
        std::vector<std::uint8_t> out = gif::encodeLzw(rows, interlaced);
        benchmark::DoNotOptimize(out.data());
    }
}

// Ours: a GIF image made from an 8-bit bitmap and saved, as a program would save one.
void oursSave(benchmark::State& state, const std::string&)
{
    TBitmap bitmap;
    TMemoryStream stream(files().at("plain").bytes);
    TGIFImage loaded;
    loaded.LoadStream(stream);
    // The decoded frame as an 8-bit section bitmap.
    const TGIFItem& item = loaded.Frames(0).Data();
    bitmap.SetPlatformHandle(gif::indexedSection(item, false, *gif::decodeIndexes(item, {})));
    for (auto _ : state) {
        TGIFImage image;
        image.CopyFrom(&bitmap);
        TMemoryStream out;
        image.SaveStream(out);
        benchmark::DoNotOptimize(out.Size());
    }
}

void printRatios(const bench_support::RatioReporter& reporter)
{
    std::printf("\nmedian times as ratios to giflib on the same file (lower is faster; target 1.0 or "
                "less, aim 0.5)\n");
    for (const char* kind : {"plain", "interlaced"}) {
        const std::string k = kind;
        for (const char* decoder : {"ours-decode/", "ours-load/", "qt-decode/"})
            bench_support::printRatio(reporter, (decoder + k).c_str(), ("giflib-decode/" + k).c_str());
        bench_support::printRatio(reporter, ("ours-encode/" + k).c_str(), ("giflib-encode/" + k).c_str());
    }
    bench_support::printRatio(reporter, "ours-save/plain", "giflib-encode/plain");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    makeFiles();
    for (const char* kind : {"plain", "interlaced"}) {
        const std::string k = kind;
        const auto add = [&](const char* name, void (*fn)(benchmark::State&, const std::string&), int repetitions) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + k).c_str(), [k, fn](benchmark::State& s) { fn(s, k); })
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(repetitions)
                ->Iterations(2);
        };
        add("giflib-decode", giflibDecode, 7);
        add("ours-decode", oursIndexes, 7);
        add("ours-load", oursLoad, 5);
        add("qt-decode", qtDecode, 3);
        add("giflib-encode", giflibEncodeBench, 5);
        add("ours-encode", oursEncode, 5);
    }
    benchmark::RegisterBenchmark("ours-save/plain", [](benchmark::State& s) { oursSave(s, "plain"); })
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->Iterations(1);
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
