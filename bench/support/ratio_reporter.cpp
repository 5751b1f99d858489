#include "support/ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace bench_support {
namespace {

std::string keyOf(const benchmark::BenchmarkReporter::Run& run)
{
    std::string key = run.run_name.function_name;
    if (!run.run_name.args.empty())
        key += "/" + run.run_name.args;
    return key;
}

} // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        if (run.run_type == Run::RT_Iteration) {
            RunTimes& t = m_times[keyOf(run)];
            t.real.push_back(run.GetAdjustedRealTime());
            t.cpu.push_back(run.GetAdjustedCPUTime());
        } else if (run.aggregate_name == "median" && !m_times.count(keyOf(run))) {
            // The repetitions themselves were not shown.
            m_times[keyOf(run)] = {{run.GetAdjustedRealTime()}, {run.GetAdjustedCPUTime()}};
        }
    }
}

const RunTimes* RatioReporter::find(const std::string& name) const
{
    const auto found = m_times.find(name);
    return found == m_times.end() ? nullptr : &found->second;
}

double mean(const std::vector<double>& values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double best(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void printRatio(const RatioReporter& reporter, const char* name, const char* peer)
{
    const RunTimes* a = reporter.find(name);
    const RunTimes* b = reporter.find(peer);
    if (a && b && median(b->real) > 0 && median(b->cpu) > 0)
        std::printf("%-26s / %-26s %5.2f real %5.2f cpu\n", name, peer, median(a->real) / median(b->real),
                    median(a->cpu) / median(b->cpu));
}

} // namespace bench_support
