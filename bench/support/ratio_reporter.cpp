#include "support/ratio_reporter.h"

#include <algorithm>
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

} // namespace bench_support
