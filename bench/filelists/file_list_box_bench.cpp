// Re-reading a directory of 10,000 files into the file list (TFileListBox with the viewer's mask,
// through the mask change that makes it read again) against listing the same directory with
// QDir, measured in the same run. The list reads again on every change of directory or mask, so
// this is the wait when the user walks into a large folder.

#include "filelists/filelists.h"
#include "platform/drives/drives.h"
#include "support/picture_folder.h"
#include "support/ratio_reporter.h"

#include <QApplication>
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

// The peers, on the same folder.
void BM_QDirBareListing(benchmark::State& state)
{
    bench_support::qdirBareListing(state, folder(), fileCount);
}

void BM_QDirSortedListing(benchmark::State& state)
{
    bench_support::qdirSortedListing(state, folder());
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

    using bench_support::printRatio;
    std::printf("\nRatios (10,000 files, 9,000 pictures; C locale = /0, pt_BR = /1; target: within 2 of the "
                "bare listing):\n");
    printRatio(reporter, "BM_FileListBoxReRead/0", "BM_QDirBareListing");
    printRatio(reporter, "BM_FileListBoxReRead/1", "BM_QDirBareListing");
    printRatio(reporter, "BM_FileListBoxReRead/0", "BM_QDirSortedListing/0");
    printRatio(reporter, "BM_FileListBoxReRead/1", "BM_QDirSortedListing/1");
    benchmark::Shutdown();
    return 0;
}
