// What a user waits for: from choosing a 6000 × 4000 picture in the main window's file list to
// the end of the picture area's paint, on the real main window (offscreen, in its stretched
// mode at start), for a 24-bit bitmap and a baseline JPEG. The peer is the bare decode of the
// same file in the same run: reading the bitmap file, and the JPEG library's own loop reading
// and decoding the JPEG file (both into memory kept from run to run). Prints each as a ratio to
// its peer; the target is 1.3 or less, the viewer adding little to the decode.
//
// Every timed choice starts from a small picture chosen (and painted) before the clock starts,
// so each one loads, decodes and paints its picture afresh, as choosing a file does. Choosing
// the small picture frees the large one before it, whose memory then serves the next large
// picture: the way it goes from the third large picture on when a user steps through large
// pictures one after another (each new one is made while the one before still shows).

#include "app/startup.h"
#include "app/viewer_form.h"
#include "filelists/filelists.h"
#include "framework/application.h"
#include "framework/ext_controls.h"
#include "picture/image.h"
#include "support/photo.h"
#include "support/ratio_reporter.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int width = 6000;
constexpr int height = 4000;

// The folder the lists show, in name order: a small picture, then the two large ones.
constexpr const char* smallName = "a_small.bmp";
constexpr const char* bitmapName = "b_photo.bmp";
constexpr const char* jpegName = "c_photo.jpg";

// Counts the paints of the picture area.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

PaintCounter& paintCounter()
{
    static PaintCounter counter;
    return counter;
}

std::vector<std::string>& messages()
{
    static std::vector<std::string> shown;
    return shown;
}

double processorSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Real and processor seconds of every timed run, by benchmark name (the benchmark's own
// processor time would count the untimed steps too).
struct Times {
    std::vector<double> real;
    std::vector<double> cpu;
};

std::map<std::string, Times>& times()
{
    static std::map<std::string, Times> all;
    return all;
}

// Presses a key in the file list, as a user does, and waits until the picture area has painted.
void chooseWithKey(Qt::Key key)
{
    auto* list = qobject_cast<QAbstractItemView*>(Form_Viewer->Lista_Arquivos->Widget());
    const int before = paintCounter().paints;
    QTest::keyClick(list, key);
    while (paintCounter().paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void viewer(benchmark::State& state, const std::string& name, Qt::Key key, const std::string& expected)
{
    Times& kept = times()[name];
    for (auto _ : state) {
        chooseWithKey(Qt::Key_Home);  // the small picture, untimed
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processorSeconds();
        chooseWithKey(key);
        const double cpu = processorSeconds() - cpuStart;
        const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (Form_Viewer->Tab_Imagem->Caption() != expected || Form_Viewer->Imagem->Picture()->Width() != width
            || !messages().empty()) {
            state.SkipWithError(messages().empty() ? "the picture was not shown" : messages().front().c_str());
            break;
        }
        state.SetIterationTime(real);
        kept.real.push_back(real);
        kept.cpu.push_back(cpu);
    }
}

std::size_t readWhole(const std::string& path, std::vector<std::uint8_t>& data)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    data.resize(std::size_t(size));
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    return got;
}

// The peers: `decode` false reads the file; true reads it and decodes it as a JPEG.
void bare(benchmark::State& state, const std::string& name, const std::string& path, bool decode)
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> pixels;
    Times& kept = times()[name];
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processorSeconds();
        bool ok = readWhole(path, bytes) > 0;
        if (ok && decode)
            ok = bench_support::bareJpegDecode(bytes, [&](std::size_t size) {
                pixels.resize(size);
                return pixels.data();
            });
        const double cpu = processorSeconds() - cpuStart;
        const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
        if (!ok) {
            state.SkipWithError("cannot read the file");
            break;
        }
        state.SetIterationTime(real);
        kept.real.push_back(real);
        kept.cpu.push_back(cpu);
    }
}

void printRatios()
{
    using bench_support::median;
    std::printf("\nfrom choosing the file to the end of the paint, as a ratio to the bare decode (target 1.3 "
                "or less):\n");
    std::printf("  %-8s %12s %12s %12s %12s %8s %8s\n", "", "viewer real", "viewer cpu", "bare real", "bare cpu",
                "real", "cpu");
    for (const char* kind : {"bmp", "jpeg"}) {
        const auto ours = times().find(std::string("viewer/") + kind);
        const auto peer = times().find(std::string("bare/") + kind);
        if (ours == times().end() || peer == times().end() || ours->second.real.empty() || peer->second.real.empty())
            continue;
        const Times& a = ours->second;
        const Times& b = peer->second;
        std::printf("  %-8s %10.1fms %10.1fms %10.1fms %10.1fms %8.2f %8.2f\n", kind, 1e3 * median(a.real),
                    1e3 * median(a.cpu), 1e3 * median(b.real), 1e3 * median(b.cpu), median(a.real) / median(b.real),
                    median(a.cpu) / median(b.cpu));
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The window starts from no stored settings, so in its stretched mode.
    QTemporaryDir settings;
    setenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit().constData(), 1);

    // The lists start in the current directory.
    QTemporaryDir pictures;
    const std::string folder = pictures.path().toStdString();
    bench_support::writeBytes(folder + "/" + smallName, bench_support::photoBitmap(8, 6));
    bench_support::writeBytes(folder + "/" + bitmapName, bench_support::photoBitmap(width, height));
    bench_support::writeBytes(folder + "/" + jpegName, bench_support::photoJpeg(width, height, false));
    std::filesystem::current_path(folder);

    TApplication application;
    application.Initialize(argc, argv);
    application.SetTitle(ViewerTitle);
    SetMessagePresenter([](const std::string&, const std::string& text) { messages().push_back(text); });
    RegisterViewerClasses();
    CreateViewerWindows();
    StartViewer(ParseCommandLine({"pictavo"}));
    if (!QTest::qWaitForWindowExposed(Form_Viewer->Widget()) || !Form_Viewer->Imagem->Stretch()
        || Form_Viewer->Lista_Arquivos->Count() != 3) {
        std::fprintf(stderr, "the main window is not as expected\n");
        return 1;
    }
    Form_Viewer->Imagem->Widget()->installEventFilter(&paintCounter());
    std::printf("picture area %d x %d\n", Form_Viewer->Imagem->Width(), Form_Viewer->Imagem->Height());

    const auto add = [](const std::string& name, auto&& run) {
        benchmark::RegisterBenchmark(name.c_str(), run)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(5)
            ->Repetitions(3);
    };
    // Each file's peer runs just before the viewer on it.
    add("bare/bmp", [&](benchmark::State& s) { bare(s, "bare/bmp", folder + "/" + bitmapName, false); });
    add("viewer/bmp", [](benchmark::State& s) { viewer(s, "viewer/bmp", Qt::Key_Down, bitmapName); });
    add("bare/jpeg", [&](benchmark::State& s) { bare(s, "bare/jpeg", folder + "/" + jpegName, true); });
    add("viewer/jpeg", [](benchmark::State& s) { viewer(s, "viewer/jpeg", Qt::Key_End, jpegName); });

    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios();
    benchmark::Shutdown();
    return 0;
}
