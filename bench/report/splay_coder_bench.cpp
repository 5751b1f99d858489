// The page store's splay-tree prefix code: coding and decoding 4 MB against a plain memory copy
// (the floor of any coder) and against zlib at level 1 (a fast general-purpose coder), on three
// kinds of bytes a page store holds or could hold: the pixels of a photo as a recorded page
// carries them, page records (small numbers, coordinates, repeated fields), and noise. Every
// contender works on the same bytes in the same run; throughput is in the bytes/s column
// (uncoded bytes), and the ratios of the median times are printed at the end with the coded
// sizes.

#include "framework/streams.h"
#include "report/page_store.h"
#include "support/ratio_reporter.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t dataSize = 4 << 20;

// 24-bit pixels of a smooth photo with some grain.
std::vector<std::uint8_t> photo()
{
    std::vector<std::uint8_t> out;
    out.reserve(dataSize);
    std::uint32_t seed = 1;
    const int width = 1024;
    for (int i = 0; out.size() < dataSize; ++i) {
        const int x = i % width;
        const int y = i / width;
        seed = seed * 1664525u + 1013904223u;
        const int grain = int((seed >> 24) & 7) - 3;
        const double light = 0.5 + 0.35 * std::sin(x * 0.007 + y * 0.003) * std::cos(y * 0.005);
        for (double tint : {0.9 - 0.4 * x / width, 0.5 + 0.3 * y / 1365.0, 0.6 + 0.4 * x / width}) {
            const double v = 255 * light * tint + grain;
            out.push_back(std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v));
        }
    }
    out.resize(dataSize);
    return out;
}

// Records as a recorded page has them: a type, a size, then a few coordinates and settings.
std::vector<std::uint8_t> records()
{
    std::vector<std::uint8_t> out;
    out.reserve(dataSize);
    std::mt19937 random(7);
    const auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    while (out.size() < dataSize) {
        const std::uint32_t type = 1 + random() % 100;
        const int fields = 2 + int(random() % 6);
        put32(type);
        put32(std::uint32_t(8 + 4 * fields));
        for (int f = 0; f < fields; ++f)
            put32(random() % 3 == 0 ? 0 : random() % 2400);
    }
    out.resize(dataSize);
    return out;
}

std::vector<std::uint8_t> noise()
{
    std::vector<std::uint8_t> out(dataSize);
    std::mt19937 random(11);
    for (auto& value : out)
        value = std::uint8_t(random());
    return out;
}

struct Data {
    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> splayCoded;
    std::vector<std::uint8_t> zlibCoded;
};

std::map<std::string, Data>& data()
{
    static std::map<std::string, Data> all;
    return all;
}

std::vector<std::uint8_t> splayEncode(const std::vector<std::uint8_t>& plain)
{
    TMemoryStream out;
    TQRCompress coder(out);
    for (std::uint8_t value : plain)
        coder.Encode(value);
    coder.Finish();
    return out.Bytes();
}

std::vector<std::uint8_t> zlibEncode(const std::vector<std::uint8_t>& plain)
{
    uLongf size = compressBound(uLong(plain.size()));
    std::vector<std::uint8_t> out(size);
    compress2(out.data(), &size, plain.data(), uLong(plain.size()), 1);
    out.resize(size);
    return out;
}

void prepare()
{
    for (auto& [name, make] : std::map<std::string, std::vector<std::uint8_t> (*)()>{
             {"photo", photo}, {"records", records}, {"noise", noise}}) {
        Data& d = data()[name];
        d.plain = make();
        d.splayCoded = splayEncode(d.plain);
        d.zlibCoded = zlibEncode(d.plain);
    }
}

void memoryCopy(benchmark::State& state, const std::string& kind)
{
    const Data& d = data().at(kind);
    std::vector<std::uint8_t> out(d.plain.size());
    for (auto _ : state) {
        std::memcpy(out.data(), d.plain.data(), d.plain.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(d.plain.size()));
}

void splayEncoding(benchmark::State& state, const std::string& kind)
{
    const Data& d = data().at(kind);
    for (auto _ : state) {
        TMemoryStream out;
        TQRCompress coder(out);
        for (std::uint8_t value : d.plain)
            coder.Encode(value);
        coder.Finish();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(d.plain.size()));
}

void splayDecoding(benchmark::State& state, const std::string& kind)
{
    const Data& d = data().at(kind);
    std::vector<std::uint8_t> out(d.plain.size());
    for (auto _ : state) {
        TQRCompress coder(d.splayCoded);
        for (std::uint8_t& value : out)
            value = coder.Decode();
        benchmark::DoNotOptimize(out.data());
    }
    if (out != d.plain)
        state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(d.plain.size()));
}

void zlibEncoding(benchmark::State& state, const std::string& kind)
{
    const Data& d = data().at(kind);
    std::vector<std::uint8_t> out(compressBound(uLong(d.plain.size())));
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        compress2(out.data(), &size, d.plain.data(), uLong(d.plain.size()), 1);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(d.plain.size()));
}

void zlibDecoding(benchmark::State& state, const std::string& kind)
{
    const Data& d = data().at(kind);
    std::vector<std::uint8_t> out(d.plain.size());
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        uncompress(out.data(), &size, d.zlibCoded.data(), uLong(d.zlibCoded.size()));
        benchmark::DoNotOptimize(out.data());
    }
    if (out != d.plain)
        state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(d.plain.size()));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    prepare();
    const std::vector<std::string> kinds{"photo", "records", "noise"};
    for (const std::string& kind : kinds) {
        const auto add = [&](const char* contender, void (*run)(benchmark::State&, const std::string&)) {
            benchmark::RegisterBenchmark((std::string(contender) + "/" + kind).c_str(), run, kind)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.5);
        };
        add("memcpy", memoryCopy);
        add("splay-encode", splayEncoding);
        add("splay-decode", splayDecoding);
        add("zlib1-encode", zlibEncoding);
        add("zlib1-decode", zlibDecoding);
    }
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nratios of median times (higher is slower):\n");
    for (const std::string& kind : kinds) {
        const auto ratio = [&](const char* name, const char* peer) {
            bench_support::printRatio(reporter, (std::string(name) + "/" + kind).c_str(),
                                      (std::string(peer) + "/" + kind).c_str());
        };
        ratio("splay-encode", "memcpy");
        ratio("splay-decode", "memcpy");
        ratio("splay-encode", "zlib1-encode");
        ratio("splay-decode", "zlib1-decode");
    }
    std::printf("\ncoded sizes (of %zu bytes):\n", dataSize);
    for (const std::string& kind : kinds) {
        const Data& d = data().at(kind);
        std::printf("  %-8s splay %8zu (%.1f %%)   zlib level 1 %8zu (%.1f %%)\n", kind.c_str(), d.splayCoded.size(),
                    100.0 * double(d.splayCoded.size()) / double(dataSize), d.zlibCoded.size(),
                    100.0 * double(d.zlibCoded.size()) / double(dataSize));
    }
    benchmark::Shutdown();
    return 0;
}
