// zel_strtol against strtol on the same mix of decimal, hexadecimal, signed
// and padded numbers. Prints the ratio at the end.
#include <zel/codec.h>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ratio_reporter.h"

namespace {

const char *const kNumbers[] = {"0",          "7",          "42",         "-13",     "65535",
                                "2147483647", "-2147483648", " 123456",   "+99",     "0x7fff",
                                "0755",       "1000000",    "-1",         "31337",   "0xdeadbee",
                                "271828182",  "  -4096",    "9",          "100",     "0X1F"};
constexpr size_t kCount = sizeof kNumbers / sizeof kNumbers[0];

void BM_Parse_zel(benchmark::State &state) {
    for (auto _ : state) {
        long sum = 0;
        for (const char *text : kNumbers) {
            long value;
            sum += zel_strtol(text, 0, &value) + value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kCount));
}
BENCHMARK(BM_Parse_zel);

// The same work as the caller of strtol must do for the same answer: the
// end check and the range check.
void BM_Parse_strtol(benchmark::State &state) {
    for (auto _ : state) {
        long sum = 0;
        for (const char *text : kNumbers) {
            char *end;
            errno = 0;
            long value = std::strtol(text, &end, 0);
            sum += (*end != '\0') + (errno == ERANGE) + value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * kCount));
}
BENCHMARK(BM_Parse_strtol);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.times;
    if (t.count("BM_Parse_zel") && t.count("BM_Parse_strtol"))
        std::printf("\ntime ratio, zel_strtol over strtol (target <= 1.1): %.3fx\n",
                    t["BM_Parse_zel"] / t["BM_Parse_strtol"]);
    benchmark::Shutdown();
    return 0;
}
