// zel_strtol against strtol on two mixes: plain decimal numbers, signed and
// not, and numbers that strtol itself must read (prefixes, leading blanks,
// octal). Prints the ratios at the end.
#include <zel/codec.h>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ratio_reporter.h"

namespace {

const std::vector<const char *> kDecimal = {
    "0",      "7",   "42",      "-13",       "65535",    "2147483647", "-2147483648",
    "123456", "+99", "1000000", "-1",        "31337",    "9",          "271828182",
    "-4096",  "100", "12",      "987654321", "-2000000", "5000000"};
const std::vector<const char *> kOther = {"0x7fff", " 123456", "0755", "0X1F", "  -4096",
                                          "0",      "0xdead",  " +99", "\t17", "0777"};

void parse_zel(benchmark::State &state, const std::vector<const char *> &texts) {
    for (auto _ : state) {
        long sum = 0;
        for (const char *text : texts) {
            long value;
            sum += zel_strtol(text, 0, &value) + value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * texts.size()));
}

// The same work as the caller of strtol must do for the same answer: the
// end check and the range check.
void parse_strtol(benchmark::State &state, const std::vector<const char *> &texts) {
    for (auto _ : state) {
        long sum = 0;
        for (const char *text : texts) {
            char *end;
            errno = 0;
            long value = std::strtol(text, &end, 0);
            sum += (*end != '\0') + (errno == ERANGE) + value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations() * texts.size()));
}

void BM_Decimal_zel(benchmark::State &state) { parse_zel(state, kDecimal); }
void BM_Decimal_strtol(benchmark::State &state) { parse_strtol(state, kDecimal); }
void BM_Other_zel(benchmark::State &state) { parse_zel(state, kOther); }
void BM_Other_strtol(benchmark::State &state) { parse_strtol(state, kOther); }
BENCHMARK(BM_Decimal_zel);
BENCHMARK(BM_Decimal_strtol);
BENCHMARK(BM_Other_zel);
BENCHMARK(BM_Other_strtol);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\ntime ratios, zel_strtol over strtol (target <= 1.1):\n");
    reporter.print_ratio("plain decimal numbers", "BM_Decimal_zel", "BM_Decimal_strtol");
    reporter.print_ratio("prefixed, padded and octal numbers", "BM_Other_zel", "BM_Other_strtol");
    benchmark::Shutdown();
    return 0;
}
