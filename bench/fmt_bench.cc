// The formatting engine against glibc snprintf and {fmt}'s format_to_n on
// what log records look like, plus a positional format, a long string and
// measuring without a buffer. Prints the throughput ratios at the end.
#include <zel/zel.h>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdio>
#include <map>
#include <string>

#include "ratio_reporter.h"

namespace {

// A rotating set of record arguments, the same for every library.
struct Record {
    const char *component;
    const char *thread;
    int request;
    unsigned status;
    long micros;
};
const Record kRecords[] = {
    {"svc", "worker-1", 1, 0x1065220au, 17L},
    {"authn", "worker-12", 4242, 0x3665a096u, 123456L},
    {"session", "main", -7, 0u, 9L},
    {"cfg", "worker-3", 1000000, 0xdeadbeefu, 400000000L},
    {"net", "listener", 65535, 0x10u, 0L},
    {"svc", "worker-7", 31, 0x7fffffffu, 77L},
    {"audit", "flush", 2, 0x36660fd3u, 1234L},
    {"cache", "worker-9", 99999, 0xabcu, 56789L},
};
constexpr size_t kRecordCount = sizeof kRecords / sizeof kRecords[0];

// 58 bytes of text around the five conversions.
const char kMixC[] = "2024-06-11 14:03:27 [%s] thread %s: request %d status %08x after %ld us";
constexpr char kMixFmt[] =
    "2024-06-11 14:03:27 [{}] thread {}: request {} status {:08x} after {} us";
const char kPosC[] = "status %2$08x for request %1$d of %3$s";
constexpr char kPosFmt[] = "status {1:08x} for request {0} of {2}";

const std::string &long_string() {
    static const std::string s(1000, 'x');
    return s;
}

void BM_Mix_zel(benchmark::State &state) {
    char buf[256];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        benchmark::DoNotOptimize(zel_snprintf(buf, sizeof buf, kMixC, r.component, r.thread,
                                              r.request, r.status, r.micros));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Mix_zel);

void BM_Mix_glibc(benchmark::State &state) {
    char buf[256];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        benchmark::DoNotOptimize(
            snprintf(buf, sizeof buf, kMixC, r.component, r.thread, r.request, r.status, r.micros));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Mix_glibc);

void BM_Mix_fmt(benchmark::State &state) {
    char buf[256];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        auto res = fmt::format_to_n(buf, sizeof buf - 1, kMixFmt, r.component, r.thread, r.request,
                                    r.status, r.micros);
        *res.out = '\0';
        benchmark::DoNotOptimize(res.size);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Mix_fmt);

void BM_Mix_zel_measure(benchmark::State &state) {
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        benchmark::DoNotOptimize(
            zel_snprintf(nullptr, 0, kMixC, r.component, r.thread, r.request, r.status, r.micros));
    }
}
BENCHMARK(BM_Mix_zel_measure);

void BM_Positional_zel(benchmark::State &state) {
    char buf[128];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        benchmark::DoNotOptimize(
            zel_snprintf(buf, sizeof buf, kPosC, r.request, r.status, r.thread));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Positional_zel);

void BM_Positional_glibc(benchmark::State &state) {
    char buf[128];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        benchmark::DoNotOptimize(snprintf(buf, sizeof buf, kPosC, r.request, r.status, r.thread));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Positional_glibc);

void BM_Positional_fmt(benchmark::State &state) {
    char buf[128];
    size_t i = 0;
    for (auto _ : state) {
        const Record &r = kRecords[i++ % kRecordCount];
        auto res = fmt::format_to_n(buf, sizeof buf - 1, kPosFmt, r.request, r.status, r.thread);
        *res.out = '\0';
        benchmark::DoNotOptimize(res.size);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Positional_fmt);

void BM_LongString_zel(benchmark::State &state) {
    char buf[1100];
    const char *s = long_string().c_str();
    for (auto _ : state) {
        benchmark::DoNotOptimize(zel_snprintf(buf, sizeof buf, "text: %s.", s));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LongString_zel);

void BM_LongString_glibc(benchmark::State &state) {
    char buf[1100];
    const char *s = long_string().c_str();
    for (auto _ : state) {
        benchmark::DoNotOptimize(snprintf(buf, sizeof buf, "text: %s.", s));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LongString_glibc);

void BM_LongString_fmt(benchmark::State &state) {
    char buf[1100];
    const char *s = long_string().c_str();
    for (auto _ : state) {
        auto res = fmt::format_to_n(buf, sizeof buf - 1, "text: {}.", s);
        *res.out = '\0';
        benchmark::DoNotOptimize(res.size);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LongString_fmt);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.times;
    auto ratio = [&](const char *label, const std::string &a, const std::string &b) {
        if (t.count(a) && t.count(b)) printf("%-46s %6.2fx\n", label, t[b] / t[a]);
    };
    printf("\nthroughput ratios (higher is better for zel):\n");
    ratio("mix: zel over glibc snprintf (target >= 1.5)", "BM_Mix_zel", "BM_Mix_glibc");
    ratio("mix: zel over fmt::format_to_n (target >= 0.67)", "BM_Mix_zel", "BM_Mix_fmt");
    ratio("mix: measuring over rendering (target >= 1)", "BM_Mix_zel_measure", "BM_Mix_zel");
    ratio("positional: zel over glibc", "BM_Positional_zel", "BM_Positional_glibc");
    ratio("positional: zel over fmt", "BM_Positional_zel", "BM_Positional_fmt");
    ratio("long string: zel over glibc", "BM_LongString_zel", "BM_LongString_glibc");
    ratio("long string: zel over fmt", "BM_LongString_zel", "BM_LongString_fmt");
    benchmark::Shutdown();
    return 0;
}
