// Default-text lookup and error descriptions. The lookup is compared with the
// plain first-match scan of the table list that it must agree with.
#include <zel/zel.h>

#include <benchmark/benchmark.h>

namespace {

// Codes spread over the three compiled tables, first, middle and last rows.
const unsigned32 kSpreadCodes[] = {0x3665A096, 0x3665A0B4, 0x3665AFD4, 0x3665B096, 0x3665B3E8,
                                   0x3665B712, 0x3665BFD7, 0x36660096, 0x366600D7, 0x36660FD2};

// The first-match scan over every row, without bounds or bisection.
const char *scan_lookup(unsigned32 code) {
    for (unsigned32 e = 0; e < zel_msg_g_table_size; ++e) {
        const zel_msg_table &entry = zel_msg_g_curr_table[e];
        if (entry.low > code || entry.high < code) continue;
        for (unsigned32 i = 0; i < entry.count; ++i) {
            if (entry.table[i].code == code) return entry.table[i].text;
        }
    }
    return nullptr;
}

void BM_DefaultLookupSpread(benchmark::State &state) {
    size_t i = 0;
    unsigned32 status;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zel_msg_get_default_msg(kSpreadCodes[i], &status));
        i = (i + 1) % (sizeof kSpreadCodes / sizeof kSpreadCodes[0]);
    }
}
BENCHMARK(BM_DefaultLookupSpread);

void BM_DefaultLookupDeployLast(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state) benchmark::DoNotOptimize(zel_msg_get_default_msg(0x3665BFD7, &status));
}
BENCHMARK(BM_DefaultLookupDeployLast);

void BM_DefaultLookupAbsentInBounds(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state) benchmark::DoNotOptimize(zel_msg_get_default_msg(0x3665B7FF, &status));
}
BENCHMARK(BM_DefaultLookupAbsentInBounds);

void BM_DefaultLookupAbsentOutside(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state)
        benchmark::DoNotOptimize(zel_msg_get_default_msg(ZEL_S_MSG_NOT_IN_TABLES, &status));
}
BENCHMARK(BM_DefaultLookupAbsentOutside);

void BM_ScanLookupDeployLast(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(scan_lookup(0x3665BFD7));
}
BENCHMARK(BM_ScanLookupDeployLast);

void BM_ErrorText(benchmark::State &state) {
    char text[ZEL_ERROR_TEXT_MAX];
    int status;
    for (auto _ : state) {
        zel_error_inq_text(ZEL_S_STZ_FILE_OPEN_ERROR, text, &status);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ErrorText);

}  // namespace

BENCHMARK_MAIN();
