// A console reporter that also keeps each benchmark's CPU time by its name
// and its wall time by its full name, threads included (the medians when
// repetitions ran), so that a program can print its ratios against the peer
// at the end. CPU time, because the machines that run this are shared; wall
// time where system calls and waiting are part of the cost.
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
            std::string full = run.run_name.str();
            if (run.error_occurred) continue;
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(full))) {
                times[name] = run.GetAdjustedCPUTime();
                wall[full] = run.GetAdjustedRealTime();
            }
            if (median) medians_[full] = true;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times, wall;

    // Prints "label  N.NNx": the time of `over` divided by the time of
    // `under`, when both ran.
    void print_ratio(const char *label, const std::string &over, const std::string &under) {
        if (times.count(over) && times.count(under))
            std::printf("%-40s %6.2fx\n", label, times[over] / times[under]);
    }
    // The same with wall times, by full names.
    void print_wall_ratio(const char *label, const std::string &over, const std::string &under) {
        if (wall.count(over) && wall.count(under))
            std::printf("%-40s %6.2fx\n", label, wall[over] / wall[under]);
    }

private:
    std::map<std::string, bool> medians_;
};

#endif
