// Reading a directory of 10,000 pictures the way the file list does (one reading, the viewer's
// six patterns, the list's order) against a bare QDir listing of the same directory, measured in
// the same run. The list re-reads its files on every change of directory, so this is the cost
// of walking into a large folder.

#include "platform/drives/file_names.h"
#include "platform/drives/file_search.h"
#include "support/picture_folder.h"
#include "support/ratio_reporter.h"

#include <QCoreApplication>
#include <QDir>
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

// The peer: QDir's own listing of regular files, in the directory's order.
void BM_QDirBareListing(benchmark::State& state)
{
    QDir directory(folder().directory.path());
    for (auto _ : state) {
        QStringList names = directory.entryList(QDir::Files, QDir::NoSort);
        benchmark::DoNotOptimize(names);
        if (names.size() != fileCount)
            state.SkipWithError("wrong count");
    }
}

// A second peer: QDir with the six patterns, sorted by name ignoring case, locale-aware.
void BM_QDirSortedListing(benchmark::State& state)
{
    setLocale(state);
    QDir directory(folder().directory.path());
    QStringList filters;
    for (const std::string& pattern : platform::splitMask(viewerMask))
        filters << QString::fromStdString(pattern);
    for (auto _ : state) {
        QStringList names = directory.entryList(
            filters, QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        benchmark::DoNotOptimize(names);
    }
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

    // With repetitions the median stands for the run.
    auto ratio = [&](const char* name, const char* peer) {
        using bench_support::median;
        const bench_support::RunTimes* a = reporter.find(name);
        const bench_support::RunTimes* b = reporter.find(peer);
        if (a && b && median(b->real) > 0)
            std::printf("%-32s / %-28s %.2f\n", name, peer, median(a->real) / median(b->real));
    };
    std::printf("\nRatios (10,000 files; C locale = /0, pt_BR = /1):\n");
    ratio("BM_FileListReading/0", "BM_QDirBareListing");
    ratio("BM_FileListReading/1", "BM_QDirBareListing");
    ratio("BM_FileListReading/0", "BM_QDirSortedListing/0");
    ratio("BM_FileListReading/1", "BM_QDirSortedListing/1");
    benchmark::Shutdown();
    return 0;
}
