// Loading 6000 × 4000 bitmap files: TBitmap::LoadFile against QImage::load (and, for palettised
// files, QImage::load plus its conversion to 32 bits, the form a palettised picture is drawn from)
// and against a floor: reading the whole file into memory plus one memcpy of the pixel bytes into
// the picture's memory. The floor takes both blocks fresh from the kernel each time, as a newly
// loaded picture's pixels are (the bitmap's sections are mapped memory); a second floor ("warm")
// reuses blocks allocated once, the bare cost of moving the bytes. For the run-length file the
// memcpy writes as many bytes as the decoded picture holds (32 bits a pixel), the least any
// decoder must write. All files are made at start in a temporary folder; every contender reads
// the same files in the same run. Prints each contender's time as a ratio to both floors.

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "platform/paths.h"
#include "support/photo.h"
#include "support/ratio_reporter.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int width = 6000;
constexpr int height = 4000;

struct BenchFile {
    std::string native;
    std::string driveLetter;
    std::size_t pixelOffset = 0;
    std::size_t outputBytes = 0;  // what the loaded picture holds
};

std::map<std::string, BenchFile>& files()
{
    static std::map<std::string, BenchFile> all;
    return all;
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A palettised photo: 6 levels of red and blue, 7 of green (252 colours).
std::uint8_t paletteIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return std::uint8_t((r * 6 / 256) * 42 + (g * 7 / 256) * 6 + (b * 6 / 256));
}

std::vector<std::uint8_t> header(int bitCount, std::uint32_t compression, std::uint32_t colours,
                                 std::uint32_t imageSize)
{
    std::vector<std::uint32_t> table;
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::uint32_t r = i / 42, g = (i / 6) % 7, b = i % 6;
        table.push_back((r * 51) << 16 | (g * 255 / 6) << 8 | b * 51);
    }
    return bench_support::bitmapHeaders(width, height, bitCount, compression, table, imageSize);
}

// Run-length coding of one row of 8-bit values: runs of three or more, literals otherwise.
void encodeRow(const std::uint8_t* row, std::vector<std::uint8_t>& out)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x])
            ++run;
        if (run >= 3) {
            out.push_back(std::uint8_t(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        // A literal stretch up to the next run of three.
        int end = x;
        while (end < width && end - x < 255
               && !(end + 2 < width && row[end] == row[end + 1] && row[end] == row[end + 2]))
            ++end;
        const int count = end - x;
        if (count < 3) {
            for (int i = 0; i < count; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(std::uint8_t(count));
            out.insert(out.end(), row + x, row + end);
            if (count & 1)
                out.push_back(0);
        }
        x = end;
    }
    out.push_back(0);
    out.push_back(0);  // end of line
}

void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes, std::size_t outputBytes)
{
    BenchFile file;
    file.native = folder().filePath(QString::fromStdString(name)).toStdString();
    file.driveLetter = platform::toDriveLetterPath(file.native).value();
    std::ofstream(file.native, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       std::streamsize(bytes.size()));
    std::memcpy(&file.pixelOffset, bytes.data() + 10, 4);
    file.pixelOffset &= 0xFFFFFFFF;
    file.outputBytes = outputBytes;
    files()[name.substr(0, name.find('.'))] = file;
}

void makeFiles()
{
    const std::size_t stride24 = (width * 3 + 3) & ~std::size_t(3);
    std::vector<std::uint8_t> rgb24 = header(24, 0, 0, std::uint32_t(stride24 * height));
    std::vector<std::uint8_t> rgb32 = header(32, 0, 0, std::uint32_t(width * 4 * height));
    std::vector<std::uint8_t> pal8 = header(8, 0, 252, std::uint32_t(width * height));
    std::vector<std::uint8_t> rle8;
    std::vector<std::uint8_t> rleData;
    std::vector<std::uint8_t> indexRow(width);
    std::vector<std::uint8_t> photoRow(std::size_t(width) * 3);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y) {  // bottom row first, as the files store them
        bench_support::photoRow(width, height, height - 1 - y, seed, photoRow.data());
        for (int x = 0; x < width; ++x) {
            const std::uint8_t b = photoRow[3 * std::size_t(x)];
            const std::uint8_t g = photoRow[3 * std::size_t(x) + 1];
            const std::uint8_t r = photoRow[3 * std::size_t(x) + 2];
            rgb24.insert(rgb24.end(), {b, g, r});
            rgb32.insert(rgb32.end(), {b, g, r, 0});
            indexRow[std::size_t(x)] = paletteIndex(r, g, b);
        }
        rgb24.resize(rgb24.size() + (stride24 - width * 3));
        pal8.insert(pal8.end(), indexRow.begin(), indexRow.end());
        encodeRow(indexRow.data(), rleData);
    }
    rleData.push_back(0);
    rleData.push_back(1);  // end of bitmap
    rle8 = header(8, 1, 252, std::uint32_t(rleData.size()));
    rle8.insert(rle8.end(), rleData.begin(), rleData.end());

    writeFile("rgb24.bmp", rgb24, stride24 * height);
    writeFile("rgb32.bmp", rgb32, std::size_t(width) * 4 * height);
    writeFile("pal8.bmp", pal8, std::size_t(width) * height);
    writeFile("rle8.bmp", rle8, std::size_t(width) * 4 * height);
    std::printf("files: rgb24 %zu, rgb32 %zu, pal8 %zu, rle8 %zu bytes\n", rgb24.size(), rgb32.size(),
                pal8.size(), rle8.size());
}

void ours(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    for (auto _ : state) {
        TBitmap bitmap;
        bitmap.LoadFile(file.driveLetter);
        benchmark::DoNotOptimize(bitmap.Width());
    }
}

void qt(benchmark::State& state, const std::string& kind, bool toRgb32)
{
    const QString path = QString::fromStdString(files().at(kind).native);
    for (auto _ : state) {
        QImage image;
        if (!image.load(path, "BMP"))
            state.SkipWithError("Qt cannot read the file");
        if (toRgb32)
            image = image.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Memory straight from the kernel, as a new picture's pixels are.
class FreshBlock {
public:
    explicit FreshBlock(std::size_t bytes)
        : m_bytes(bytes),
          m_data(static_cast<std::uint8_t*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)))
    {
    }
    ~FreshBlock() { munmap(m_data, m_bytes); }
    FreshBlock(const FreshBlock&) = delete;
    FreshBlock& operator=(const FreshBlock&) = delete;
    std::uint8_t* data() const { return m_data; }

private:
    std::size_t m_bytes;
    std::uint8_t* m_data;
};

std::size_t readWhole(const std::string& path, std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    return got;
}

void copyPixels(const BenchFile& file, const std::uint8_t* data, std::size_t got, std::uint8_t* pixels)
{
    const std::size_t available = got - file.pixelOffset;
    for (std::size_t done = 0; done < file.outputBytes; done += available)
        std::memcpy(pixels + done, data + file.pixelOffset, std::min(available, file.outputBytes - done));
}

std::size_t fileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return std::size_t(in.tellg());
}

void floorOf(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    const std::size_t size = fileSize(file.native);
    for (auto _ : state) {
        FreshBlock data(size);
        const std::size_t got = readWhole(file.native, data.data(), size);
        FreshBlock pixels(file.outputBytes);
        copyPixels(file, data.data(), got, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

void warmFloorOf(benchmark::State& state, const std::string& kind)
{
    const BenchFile& file = files().at(kind);
    const std::size_t size = fileSize(file.native);
    std::vector<std::uint8_t> data(size);
    std::vector<std::uint8_t> pixels(file.outputBytes);
    for (auto _ : state) {
        const std::size_t got = readWhole(file.native, data.data(), size);
        copyPixels(file, data.data(), got, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

// Each contender's mean time as a ratio to both floors of the same file.
void printRatios(const bench_support::RatioReporter& reporter)
{
    using bench_support::mean;
    std::printf("\nratio to the floors of the same file (time / floor time, lower is faster; target for "
                "TBitmap: 1.5 or less of the warm floor):\n");
    std::printf("  %-20s %10s %10s %10s %10s\n", "", "real", "cpu", "warm real", "warm cpu");
    for (const auto& [name, t] : reporter.times()) {
        // "TBitmap/rle8": the contender, then the kind of file.
        const std::string contender = name.substr(0, name.find('/'));
        const std::string kind = name.substr(name.find('/') + 1);
        const bench_support::RunTimes* floor = reporter.find("floor/" + kind);
        const bench_support::RunTimes* warm = reporter.find("warm/" + kind);
        if (contender == "floor" || contender == "warm" || !floor || !warm)
            continue;
        std::printf("  %-20s %10.2f %10.2f %10.2f %10.2f\n", name.c_str(), mean(t.real) / mean(floor->real),
                    mean(t.cpu) / mean(floor->cpu), mean(t.real) / mean(warm->real), mean(t.cpu) / mean(warm->cpu));
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    makeFiles();
    for (const std::string kind : {"rgb24", "rgb32", "pal8", "rle8"}) {
        benchmark::RegisterBenchmark(("floor/" + kind).c_str(), floorOf, kind)->Unit(benchmark::kMillisecond)->MinTime(1.0);
        benchmark::RegisterBenchmark(("warm/" + kind).c_str(), warmFloorOf, kind)->Unit(benchmark::kMillisecond)->MinTime(1.0);
        benchmark::RegisterBenchmark(("TBitmap/" + kind).c_str(), ours, kind)->Unit(benchmark::kMillisecond)->MinTime(1.0);
        benchmark::RegisterBenchmark(("QImage/" + kind).c_str(), qt, kind, false)->Unit(benchmark::kMillisecond)->MinTime(1.0);
        if (kind == "pal8" || kind == "rle8")
            benchmark::RegisterBenchmark(("QImage+rgb32/" + kind).c_str(), qt, kind, true)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
    }
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
