// Turning a 6000 × 4000 photo JPEG into a PNG file, as a whole process from start to exit:
// picrender (its fast PNG, and with --small) against ImageMagick's convert of the same file in
// the same run. Each run is a process of its own; its wall-clock time is the benchmark's time,
// and the processor time it used (user and system, from its exit status) is kept beside it.
// Prints both as ratios to convert's, and the sizes of the files written. When convert is not
// installed its runs are skipped with a message.

#include "support/photo.h"
#include "support/ratio_reporter.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int width = 6000;
constexpr int height = 4000;

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

std::string inFolder(const char* name)
{
    return folder().filePath(QString::fromLatin1(name)).toStdString();
}

struct ChildRun {
    bool ok = false;
    double real = 0;  // seconds
    double cpu = 0;   // seconds of user and system time
};

// Runs the program to its end with its output thrown away.
ChildRun runProcess(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return run;
    run.real = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Processor times of every run, by benchmark name.
std::map<std::string, std::vector<double>>& processorTimes()
{
    static std::map<std::string, std::vector<double>> times;
    return times;
}

void tool(benchmark::State& state, const std::string& name, const std::vector<std::string>& arguments)
{
    for (auto _ : state) {
        const ChildRun run = runProcess(arguments);
        if (!run.ok) {
            state.SkipWithError("the program failed");
            break;
        }
        state.SetIterationTime(run.real);
        processorTimes()[name].push_back(run.cpu);
    }
}

long long fileSize(const std::string& path)
{
    struct stat s {};
    return stat(path.c_str(), &s) == 0 ? (long long)s.st_size : -1;
}

void printRatios(const bench_support::RatioReporter& reporter, bool withConvert)
{
    using bench_support::median;
    std::printf("\nwhole process, %d x %d photo JPEG to PNG:\n", width, height);
    std::printf("  %-20s %12s %12s %12s\n", "", "median real", "median cpu", "file bytes");
    const char* outputs[][2] = {{"picrender", "fast.png"}, {"picrender --small", "small.png"}, {"convert", "convert.png"}};
    for (const auto& [name, output] : outputs) {
        const bench_support::RunTimes* t = reporter.find(name);
        const auto cpu = processorTimes().find(name);
        if (!t || cpu == processorTimes().end())
            continue;
        // The reporter keeps times in the benchmarks' unit, milliseconds.
        std::printf("  %-20s %11.2fs %11.2fs %12lld\n", name, median(t->real) / 1e3, median(cpu->second),
                    fileSize(inFolder(output)));
    }
    if (!withConvert)
        return;
    const bench_support::RunTimes* peer = reporter.find("convert");
    const auto peerCpu = processorTimes().find("convert");
    if (!peer || peerCpu == processorTimes().end())
        return;
    std::printf("\nratio to convert of the same file (lower is faster):\n");
    for (const char* name : {"picrender", "picrender --small"}) {
        const bench_support::RunTimes* t = reporter.find(name);
        const auto cpu = processorTimes().find(name);
        if (t && cpu != processorTimes().end())
            std::printf("  %-20s %5.2f real %5.2f cpu\n", name, median(t->real) / median(peer->real),
                        median(cpu->second) / median(peerCpu->second));
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string photo = inFolder("photo.jpg");
    bench_support::writeBytes(photo, bench_support::photoJpeg(width, height, false));
    std::printf("photo.jpg: %lld bytes\n", fileSize(photo));

    const auto add = [](const std::string& name, const std::vector<std::string>& arguments) {
        benchmark::RegisterBenchmark(name.c_str(), [name, arguments](benchmark::State& s) { tool(s, name, arguments); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(false);
    };
    add("picrender", {PICRENDER_PATH, photo, inFolder("fast.png")});
    add("picrender --small", {PICRENDER_PATH, photo, inFolder("small.png"), "--small"});
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        std::printf("ImageMagick's convert is not installed: its runs are skipped\n");
    else
        add("convert", {convert.toStdString(), photo, inFolder("convert.png")});

    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter, !convert.isEmpty());
    benchmark::Shutdown();
    return 0;
}
