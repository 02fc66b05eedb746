// A console reporter that also keeps each benchmark's CPU time (the median
// when repetitions ran), so that a program can print its ratios against the
// peer at the end. CPU time, because the machines that run this are shared.
#ifndef ZEL_BENCH_RATIO_REPORTER_H
#define ZEL_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            const std::string &name = run.run_name.function_name;
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration && !medians_.count(name)) {
                times[name] = run.GetAdjustedCPUTime();
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[name] = run.GetAdjustedCPUTime();
                medians_[name] = true;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;

    // Prints "label  N.NNx": the time of `over` divided by the time of
    // `under`, when both ran.
    void print_ratio(const char *label, const std::string &over, const std::string &under) {
        if (times.count(over) && times.count(under))
            std::printf("%-40s %6.2fx\n", label, times[over] / times[under]);
    }

private:
    std::map<std::string, bool> medians_;
};

#endif
