#pragma once
// The console reporter of the benchmarks that print ratios: it shows every run as usual and
// keeps each benchmark's times, so that the program can compare contenders once all have run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench_support {

// One benchmark's real and CPU time per iteration, one entry per repetition.
struct RunTimes {
    std::vector<double> real;
    std::vector<double> cpu;
};

// Keeps the times of every run that ended without error. A benchmark is known by its name and
// arguments ("BM_FileListReading/1", "floor/rgb24"), without the run settings the console adds
// ("/min_time:1.000", "/repeats:7"). When only aggregates are shown, a benchmark's median stands
// for its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // Every benchmark kept, in name order.
    const std::map<std::string, RunTimes>& times() const { return m_times; }
    // One benchmark's times; null when it did not run (or failed).
    const RunTimes* find(const std::string& name) const;

private:
    std::map<std::string, RunTimes> m_times;
};

double mean(const std::vector<double>& values);
// The middle value; for an even count, the mean of the two middle ones (as the library's own
// median aggregate takes it).
double median(std::vector<double> values);
double best(const std::vector<double>& values);

// Prints "NAME / PEER  r real  c cpu": the ratios of the two benchmarks' median times. Real and
// processor time both: on a shared machine the second is the steadier. Nothing when either
// did not run.
void printRatio(const RatioReporter& reporter, const char* name, const char* peer);

} // namespace bench_support
