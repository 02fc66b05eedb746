// Making one time-based identifier: vr_uuid_create against util-linux's
// uuid_generate_time, which keeps its clock state in a locked file or asks a
// daemon. Prints the ratio.
#include <benchmark/benchmark.h>
#include <uuid/uuid.h>
#include <zel/uuid.h>

#include <cstdio>

#include "ratio_reporter.h"

namespace {

void BM_Create_zel(benchmark::State &state) {
    vr_uuid_t u;
    unsigned int status = 0;
    for (auto _ : state) {
        vr_uuid_create(&u, &status);
        benchmark::DoNotOptimize(u);
    }
    if (status != 0) state.SkipWithError("no network address");
}
BENCHMARK(BM_Create_zel);

void BM_Create_libuuid(benchmark::State &state) {
    uuid_t u;
    for (auto _ : state) {
        uuid_generate_time(u);
        benchmark::DoNotOptimize(u);
    }
}
BENCHMARK(BM_Create_libuuid);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nlibuuid's time over zel's (target >= 50):\n");
    reporter.print_ratio("one time-based identifier", "BM_Create_libuuid", "BM_Create_zel");
    benchmark::Shutdown();
    return 0;
}
