// Stamping a record in local time: zel_utc_gettime + zel_utc_asclocaltime
// against glibc's clock_gettime + tzset (where TZ changes) + localtime_r +
// strftime with the same fields, with TZ unset, set by the program with
// setenv, and switched between zones while stamping. Prints the ratios.
#include <benchmark/benchmark.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "ratio_reporter.h"

namespace {

// Rule zones, zone files and paths have different costs when chosen again.
const char *const kSwitched[] = {"Europe/Paris", "EST5EDT,M3.2.0,M11.1.0",
                                 "/usr/share/zoneinfo/Asia/Kolkata"};

struct Situation {
    const char *name;
    const char *tz;    // null: unset; ignored when switching
    int switch_every;  // 0: TZ stays
};
const Situation kSituations[] = {
    {"unset", nullptr, 0},
    {"setenv_file", "Europe/Paris", 0},
    {"setenv_rule", "EST5EDT,M3.2.0,M11.1.0", 0},
    {"setenv_path", "/usr/share/zoneinfo/America/New_York", 0},
    {"switch_each", nullptr, 1},
    {"switch_1000", nullptr, 1000},
};

// glibc reads TZ in localtime_r only once, so it is told of a change as a
// program would tell it.
void set_tz(const char *tz) {
    if (tz) {
        setenv("TZ", tz, 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

void zel_text(char *text) {
    zel_utc_t now;
    zel_utc_gettime(&now);
    zel_utc_asclocaltime(text, 50, &now);
}

void glibc_text(char *text) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    localtime_r(&ts.tv_sec, &tm);
    // Date, time, milliseconds (put into the placeholder) and offset.
    strftime(text, 64, "%Y-%m-%d-%H:%M:%S.000%zI-----", &tm);
    int ms = static_cast<int>(ts.tv_nsec / 1000000);
    text[20] = static_cast<char>('0' + ms / 100);
    text[21] = static_cast<char>('0' + ms / 10 % 10);
    text[22] = static_cast<char>('0' + ms % 10);
}

// The offset of each text, "+hhmm", for comparing the two forms.
std::string zel_offset(const char *text) {
    return std::string(text + 23, 3) + std::string(text + 27, 2);
}
std::string glibc_offset(const char *text) { return std::string(text + 23, 5); }

// Both sides must show each switched zone's own offset at once.
bool switches_apply_at_once() {
    std::vector<std::string> seen;
    for (const char *tz : kSwitched) {
        set_tz(tz);
        char ours[64], theirs[64];
        zel_text(ours);
        glibc_text(theirs);
        if (zel_offset(ours) != glibc_offset(theirs)) return false;
        for (const std::string &s : seen) {
            if (s == zel_offset(ours)) return false;
        }
        seen.push_back(zel_offset(ours));
    }
    return true;
}

template <bool kZel>
void stamp(benchmark::State &state, const Situation &s) {
    if (s.switch_every && !switches_apply_at_once()) {
        state.SkipWithError("a switched zone's offset is not shown at once");
        return;
    }
    set_tz(s.switch_every ? kSwitched[0] : s.tz);
    char text[64];
    int until_switch = s.switch_every;
    size_t next = 1;
    for (auto _ : state) {
        if (s.switch_every && --until_switch == 0) {
            until_switch = s.switch_every;
            setenv("TZ", kSwitched[next], 1);
            if (!kZel) tzset();
            next = next + 1 == std::size(kSwitched) ? 0 : next + 1;
        }
        if (kZel) {
            zel_text(text);
        } else {
            glibc_text(text);
        }
        benchmark::DoNotOptimize(text);
        benchmark::ClobberMemory();
    }
}

// A login session's environment holds some dozens of variables, and setenv
// puts a new TZ after them: reading TZ walks them all.
void fill_environment() {
    int count = 0;
    while (environ[count]) ++count;
    for (int i = count; i < 64; ++i) {
        std::string name = "ZEL_BENCH_FILLER_" + std::to_string(i);
        setenv(name.c_str(), "/usr/local/share/some/path/of/usual/length", 1);
    }
}

}  // namespace

int main(int argc, char **argv) {
    fill_environment();
    // Set by the program before either library is first called.
    setenv("TZ", "Europe/Paris", 1);
    for (const Situation &s : kSituations) {
        benchmark::RegisterBenchmark((std::string("zel/") + s.name).c_str(),
                                     [&s](benchmark::State &st) { stamp<true>(st, s); });
        benchmark::RegisterBenchmark((std::string("glibc/") + s.name).c_str(),
                                     [&s](benchmark::State &st) { stamp<false>(st, s); });
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nthroughput ratios, zel over glibc (target >= 2), real time and CPU time:\n");
    for (const Situation &s : kSituations) {
        std::string zel = std::string("zel/") + s.name, glibc = std::string("glibc/") + s.name;
        if (!reporter.wall.count(zel) || !reporter.wall.count(glibc)) continue;
        std::printf("%-14s real %5.2fx  CPU %5.2fx\n", s.name,
                    reporter.wall[glibc] / reporter.wall[zel],
                    reporter.times[glibc] / reporter.times[zel]);
    }
    benchmark::Shutdown();
    return 0;
}
