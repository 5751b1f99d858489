// Re-reading a directory of 10,000 files into the file list (TFileListBox with the viewer's mask,
// through the mask change that makes it read again) against listing the same directory with
// QDir, measured in the same run. The list reads again on every change of directory or mask, so
// this is the wait when the user walks into a large folder.

#include "filelists/filelists.h"
#include "platform/drives/drives.h"
#include "platform/drives/file_search.h"
#include "support/picture_folder.h"
#include "support/ratio_reporter.h"

#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int fileCount = 10000;
// The same patterns in other letters: a different mask with the same result.
constexpr const char* viewerMaskUpper = "*.BMP;*.JPG;*.GIF;*.WMF;*.EMF;*.ICO";
using bench_support::setLocale;
using bench_support::viewerMask;

// Every tenth file is no picture.
bench_support::PictureFolder& folder()
{
    static bench_support::PictureFolder shared(fileCount, true);
    return shared;
}

// The peer: QDir's own listing of regular files, in the directory's order.
void BM_QDirBareListing(benchmark::State& state)
{
    for (auto _ : state) {
        QDir directory(folder().directory.path());
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
    QStringList filters;
    for (const std::string& pattern : platform::splitMask(viewerMask))
        filters << QString::fromStdString(pattern);
    for (auto _ : state) {
        QDir directory(folder().directory.path());
        QStringList names =
            directory.entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        benchmark::DoNotOptimize(names);
        if (names.size() != folder().pictures)
            state.SkipWithError("wrong count");
    }
}

// The file list itself, its window made, reading again on every change of mask.
void BM_FileListBoxReRead(benchmark::State& state)
{
    setLocale(state);
    platform::setCurrentDirectory(folder().driveLetterPath);
    TFileListBox list(nullptr);
    list.SetMask(viewerMask);
    list.HandleNeeded();
    bool upper = false;
    for (auto _ : state) {
        upper = !upper;
        list.SetMask(upper ? viewerMaskUpper : viewerMask);
        if (list.Items()->Count() != folder().pictures)
            state.SkipWithError("wrong count");
    }
}

BENCHMARK(BM_QDirBareListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDirSortedListing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileListBoxReRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Real time and processor time: on a shared machine the second is the steadier. With
    // repetitions the median stands for the run.
    auto ratio = [&](const char* name, const char* peer) {
        using bench_support::median;
        const bench_support::RunTimes* a = reporter.find(name);
        const bench_support::RunTimes* b = reporter.find(peer);
        if (a && b && median(b->real) > 0 && median(b->cpu) > 0)
            std::printf("%-26s / %-26s %5.2f real %5.2f cpu\n", name, peer, median(a->real) / median(b->real),
                        median(a->cpu) / median(b->cpu));
    };
    std::printf("\nRatios (10,000 files, 9,000 pictures; C locale = /0, pt_BR = /1; target: within 2 of the "
                "bare listing):\n");
    ratio("BM_FileListBoxReRead/0", "BM_QDirBareListing");
    ratio("BM_FileListBoxReRead/1", "BM_QDirBareListing");
    ratio("BM_FileListBoxReRead/0", "BM_QDirSortedListing/0");
    ratio("BM_FileListBoxReRead/1", "BM_QDirSortedListing/1");
    benchmark::Shutdown();
    return 0;
}
