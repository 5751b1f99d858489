// Re-reading a directory of 10,000 files into the file list (TFileListBox with the viewer's mask,
// through the mask change that makes it read again) against listing the same directory with
// QDir, measured in the same run. The list reads again on every change of directory or mask, so
// this is the wait when the user walks into a large folder.

#include "filelists/filelists.h"
#include "platform/drives/drives.h"
#include "platform/drives/file_search.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int fileCount = 10000;
constexpr const char* viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";
// The same patterns in other letters: a different mask with the same result.
constexpr const char* viewerMaskUpper = "*.BMP;*.JPG;*.GIF;*.WMF;*.EMF;*.ICO";

struct Folder {
    QTemporaryDir directory;
    std::string driveLetterPath;
    int pictures = 0;

    Folder()
    {
        // Every tenth file is no picture; extensions come in both cases.
        const char* extensions[] = {".bmp", ".JPG", ".gif", ".wmf", ".Emf", ".ico", ".jpg", ".png", ".txt"};
        const char* stems[] = {"Foto", "praia", "\xC3\x89vora", "mar", "IMG_", "f\xC3\xA9rias"};
        for (int i = 0; i < fileCount; ++i) {
            const char* extension = i % 10 == 9 ? extensions[7 + i / 10 % 2] : extensions[i % 7];
            // Numbers scattered so that the directory's own order is not the sorted one.
            char name[64];
            std::snprintf(name, sizeof name, "%s %05d%s", stems[i % 6], (i * 7919) % fileCount, extension);
            std::ofstream(directory.filePath(QString::fromUtf8(name)).toStdString());
            if (i % 10 != 9)
                ++pictures;
        }
        driveLetterPath = platform::toDriveLetterPath(directory.path().toStdString()).value();
    }
};

Folder& folder()
{
    static Folder shared;
    return shared;
}

void setLocale(const benchmark::State& state)
{
    QLocale::setDefault(state.range(0) ? QLocale("pt_BR") : QLocale::c());
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

// Keeps each run's time per iteration, so ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            // With repetitions the median stands for the run.
            if (run.run_type == Run::RT_Iteration ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
            {
                times[name] = run.GetAdjustedRealTime();
                cpuTimes[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Real time and processor time: on a shared machine the second is the steadier.
    auto ratio = [&](const char* name, const char* peer) {
        const auto& real = reporter.times;
        const auto& cpu = reporter.cpuTimes;
        if (real.count(name) && real.count(peer) && real.at(peer) > 0 && cpu.at(peer) > 0)
            std::printf("%-26s / %-26s %5.2f real %5.2f cpu\n", name, peer, real.at(name) / real.at(peer),
                        cpu.at(name) / cpu.at(peer));
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
