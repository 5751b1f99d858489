// Reading a directory of 10,000 pictures the way the file list does (one reading, the viewer's
// six patterns, the list's order) against a bare QDir listing of the same directory, measured in
// the same run. The list re-reads its files on every change of directory, so this is the cost
// of walking into a large folder.

#include "platform/drives/file_names.h"
#include "platform/drives/file_search.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr int fileCount = 10000;
constexpr const char* viewerMask = "*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.ico";

struct Folder {
    QTemporaryDir directory;
    std::string driveLetterPath;

    Folder()
    {
        const char* extensions[] = {".bmp", ".JPG", ".gif", ".wmf", ".Emf", ".ico", ".jpg"};
        const char* stems[] = {"Foto", "praia", "\xC3\x89vora", "mar", "IMG_", "f\xC3\xA9rias"};
        for (int i = 0; i < fileCount; ++i) {
            // Numbers scattered so that the directory's own order is not the sorted one.
            char name[64];
            std::snprintf(name, sizeof name, "%s %05d%s", stems[i % 6], (i * 7919) % fileCount,
                          extensions[i % 7]);
            std::ofstream(directory.filePath(QString::fromUtf8(name)).toStdString());
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
                times[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    folder();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char* name, const char* peer) {
        auto a = reporter.times.find(name);
        auto b = reporter.times.find(peer);
        if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
            std::printf("%-32s / %-28s %.2f\n", name, peer, a->second / b->second);
    };
    std::printf("\nRatios (10,000 files; C locale = /0, pt_BR = /1):\n");
    ratio("BM_FileListReading/0", "BM_QDirBareListing");
    ratio("BM_FileListReading/1", "BM_QDirBareListing");
    ratio("BM_FileListReading/0", "BM_QDirSortedListing/0");
    ratio("BM_FileListReading/1", "BM_QDirSortedListing/1");
    benchmark::Shutdown();
    return 0;
}
