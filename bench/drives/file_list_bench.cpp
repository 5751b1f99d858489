// Reading a directory of 10,000 pictures the way the file list does (one reading, the viewer's
// six patterns, the list's order) against a bare QDir listing of the same directory, measured in
// the same run. The list re-reads its files on every change of directory, so this is the cost
// of walking into a large folder.

#include "platform/drives/file_names.h"
#include "platform/drives/file_search.h"
#include "support/picture_folder.h"
#include "support/ratio_reporter.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int fileCount = 10000;
using bench_support::setLocale;
using bench_support::viewerMask;

bench_support::PictureFolder& folder()
{
    static bench_support::PictureFolder shared(fileCount, false);
    return shared;
}

// The peers, on the same folder.
void BM_QDirBareListing(benchmark::State& state)
{
    bench_support::qdirBareListing(state, folder(), fileCount);
}

void BM_QDirSortedListing(benchmark::State& state)
{
    bench_support::qdirSortedListing(state, folder());
}

// What the file list does: one reading, each pattern selected in turn, all sorted.
void BM_FileListReading(benchmark::State& state)
{
    setLocale(state);
    std::vector<std::string> patterns = platform::splitMask(viewerMask);
    for (auto _ : state) {
        auto entries = platform::readDirectory(folder().driveLetterPath);
        std::vector<platform::FileEntry> listed;
        for (const std::string& pattern : patterns)
            for (auto& entry : platform::selectEntries(entries.value, pattern, 0))
                listed.push_back(std::move(entry));
        platform::sortFileEntries(listed);
        benchmark::DoNotOptimize(listed);
        if (listed.size() != std::size_t(fileCount))
            state.SkipWithError("wrong count");
    }
}

// The parts alone: the search without sorting, and the sorting of 10,000 names.
void BM_FileSearchOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto found = platform::findFiles(folder().driveLetterPath + "\\*.*", 0);
        benchmark::DoNotOptimize(found);
    }
}

void BM_SortNamesOnly(benchmark::State& state)
{
    setLocale(state);
    auto entries = platform::readDirectory(folder().driveLetterPath);
    std::vector<std::string> names;
    for (const auto& entry : entries.value)
        names.push_back(entry.name);
    for (auto _ : state) {
        std::vector<std::string> copy = names;
        platform::sortFileNames(copy);
        benchmark::DoNotOptimize(copy);
    }
}

BENCHMARK(BM_QDirBareListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDirSortedListing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileListReading)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileSearchOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNamesOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    using bench_support::printRatio;
    std::printf("\nRatios (10,000 files; C locale = /0, pt_BR = /1):\n");
    printRatio(reporter, "BM_FileListReading/0", "BM_QDirBareListing");
    printRatio(reporter, "BM_FileListReading/1", "BM_QDirBareListing");
    printRatio(reporter, "BM_FileListReading/0", "BM_QDirSortedListing/0");
    printRatio(reporter, "BM_FileListReading/1", "BM_QDirSortedListing/1");
    benchmark::Shutdown();
    return 0;
}
