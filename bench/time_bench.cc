// Stamping a record in local time: zel_utc_gettime + zel_utc_asclocaltime
// against glibc's clock_gettime + localtime_r + strftime with the same
// fields, with TZ naming a zone file and with TZ unset. Prints the ratios.
#include <benchmark/benchmark.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

namespace {

// Arg 0: TZ unset (/etc/localtime); arg 1: TZ names a zone file.
void set_zone(const benchmark::State &state) {
    if (state.range(0)) {
        setenv("TZ", "Europe/Paris", 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

void BM_Stamp_zel(benchmark::State &state) {
    set_zone(state);
    char text[64];
    for (auto _ : state) {
        zel_utc_t now;
        zel_utc_gettime(&now);
        zel_utc_asclocaltime(text, 50, &now);
        benchmark::DoNotOptimize(text);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stamp_zel)->Arg(0)->Arg(1);

void BM_Stamp_glibc(benchmark::State &state) {
    set_zone(state);
    char text[64];
    for (auto _ : state) {
        struct timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        struct tm tm;
        localtime_r(&ts.tv_sec, &tm);
        // Date, time, milliseconds (put into the placeholder) and offset.
        strftime(text, sizeof text, "%Y-%m-%d-%H:%M:%S.000%zI-----", &tm);
        int ms = static_cast<int>(ts.tv_nsec / 1000000);
        text[20] = static_cast<char>('0' + ms / 100);
        text[21] = static_cast<char>('0' + ms / 10 % 10);
        text[22] = static_cast<char>('0' + ms % 10);
        benchmark::DoNotOptimize(text);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Stamp_glibc)->Arg(0)->Arg(1);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times, cpu;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.times, &c = reporter.cpu;
    // Real time is the throughput; CPU time is steadier on a busy machine.
    auto ratio = [&](const char *label, const std::string &a, const std::string &b) {
        if (t.count(a) && t.count(b)) {
            std::printf("%-48s %6.2fx (CPU time %.2fx)\n", label, t[b] / t[a], c[b] / c[a]);
        }
    };
    std::printf("\nthroughput ratios (higher is better for zel; target >= 2):\n");
    ratio("local stamp, TZ unset: zel over glibc", "BM_Stamp_zel/0", "BM_Stamp_glibc/0");
    ratio("local stamp, TZ=Europe/Paris: zel over glibc", "BM_Stamp_zel/1", "BM_Stamp_glibc/1");
    benchmark::Shutdown();
    return 0;
}
