// Decoding 6000 × 4000 JPEG files: TJPEGImage (its first decode into the bitmap, from an image
// that already holds the loaded bytes) against a bare decode loop of the same library into
// fresh memory with the same settings (blue, green, red rows; slow integer DCT; block
// smoothing), and Qt's JPEG reader as a further peer. Both files, a baseline and a progressive
// one, are made at start with the library from a photo-like picture. Prints each contender's
// time as a ratio to the bare loop on the same file.

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

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

struct ErrorTrap {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void trapExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

// A photo-like picture: smooth light and colour changes with a little grain.
void photoRow(int y, std::uint32_t& seed, std::uint8_t* row)
{
    auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    const double fy = y / double(height);
    for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = int((seed >> 24) & 7) - 3;
        const double fx = x / double(width);
        const double light = 0.5 + 0.35 * std::sin(fx * 7.0 + fy * 3.0) * std::cos(fy * 5.0);
        row[3 * x + 0] = clamp(255 * light * (0.9 - 0.5 * fx) + grain);
        row[3 * x + 1] = clamp(255 * light * (0.5 + 0.3 * fy) + grain);
        row[3 * x + 2] = clamp(255 * light * (0.6 + 0.4 * fx) + grain);
    }
}

struct Compression {
    jpeg_compress_struct info{};
    ErrorTrap errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~Compression()
    {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

bool compress(Compression& c, bool progressive)
{
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&c.info);
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = width;
    c.info.image_height = height;
    c.info.input_components = 3;
    c.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&c.info);
    jpeg_start_compress(&c.info, TRUE);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    std::uint32_t seed = 1;
    while (c.info.next_scanline < c.info.image_height) {
        photoRow(int(c.info.next_scanline), seed, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c.info, rows, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

void makeFiles()
{
    for (const bool progressive : {false, true}) {
        Compression c;
        c.info.err = jpeg_std_error(&c.errors.pub);
        c.errors.pub.error_exit = trapExit;
        if (!compress(c, progressive)) {
            std::fprintf(stderr, "cannot make the test file\n");
            std::exit(1);
        }
        BenchFile& file = files()[progressive ? "progressive" : "baseline"];
        file.bytes.assign(c.buffer, c.buffer + c.size);
        file.loaded = std::make_unique<TJPEGImage>();
        TMemoryStream stream(file.bytes);
        file.loaded->LoadStream(stream);
        std::printf("%s: %zu bytes\n", progressive ? "progressive" : "baseline", file.bytes.size());
    }
}

struct Decompression {
    jpeg_decompress_struct info{};
    ErrorTrap errors{};
    ~Decompression() { jpeg_destroy_decompress(&info); }
};

bool bareDecode(Decompression& d, const std::vector<std::uint8_t>& bytes, std::uint8_t*& pixels)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    d.info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d.info);
    const std::size_t stride = (std::size_t(d.info.output_width) * 3 + 3) & ~std::size_t(3);
    pixels = new std::uint8_t[stride * d.info.output_height];
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = pixels + stride * d.info.output_scanline;
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

void bare(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        Decompression d;
        d.info.err = jpeg_std_error(&d.errors.pub);
        d.errors.pub.error_exit = trapExit;
        std::uint8_t* pixels = nullptr;
        if (!bareDecode(d, file.bytes, pixels))
            state.SkipWithError("the library refused the file");
        benchmark::DoNotOptimize(pixels);
        benchmark::ClobberMemory();
        delete[] pixels;
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
