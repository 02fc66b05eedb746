// zel utc [--tz RULE] [--at SECONDS]: shows a time (now by default) in the
// three text forms of the library's UTC time values.
#include <zel/zel.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "commands.h"

namespace {

// POSIX seconds with an optional fraction of up to nine digits, e.g. -1.5.
bool parse_seconds(const char *text, struct timespec *ts) {
    char *end;
    errno = 0;
    long long whole = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || !(*end == '\0' || *end == '.')) return false;
    if (static_cast<long long>(static_cast<time_t>(whole)) != whole) return false;
    long nanos = 0;
    if (*end == '.') {
        const char *digits = end + 1;
        size_t count = std::strspn(digits, "0123456789");
        if (count == 0 || count > 9 || digits[count] != '\0') return false;
        for (size_t i = 0; i < 9; ++i) nanos = nanos * 10 + (i < count ? digits[i] - '0' : 0);
    }
    bool negative = text[0] == '-';
    if (negative && nanos > 0) {  // -1.5 is 1.5 seconds before the epoch
        if (whole == LLONG_MIN) return false;
        whole -= 1;
        nanos = 1000000000 - nanos;
    }
    ts->tv_sec = static_cast<time_t>(whole);
    ts->tv_nsec = nanos;
    return true;
}

}  // namespace

const zeltool::Help zeltool::kUtcHelp = {
    "zel utc", "[--tz RULE] [--at SECONDS]",
    "show a time as UTC, as a stamp with its zone and in local time",
    "The time is now, or SECONDS since 1970 (a fraction of up to nine digits\n"
    "allowed, negative before 1970). RULE is a time-zone rule used in place of TZ.",
    "zel utc --tz CET-1CEST,M3.5.0,M10.5.0/3 --at 1700000000.5"};

int zeltool::utc(int argc, char **argv) {
    const char *name = kUtcHelp.command;
    Arguments args;
    int ended;
    if (!args.start(kUtcHelp, &argc, &argv, &ended, {{"tz", true}, {"at", true}})) return ended;
    if (argc > 0) return usage_error(name, "unknown argument '%s'", argv[0]);
    const char *tz = args.value("tz"), *at = args.value("at");
    if (tz && setenv("TZ", tz, 1) != 0)
        return failure(name, "cannot set TZ: %s", std::strerror(errno));
    zel_utc_t value;
    struct timespec when;
    if (at) {
        if (!parse_seconds(at, &when) || zel_utc_mkbintime(&value, &when, nullptr, 0) != 0) {
            return usage_error(name, "'%s' is not a time in seconds since 1970", at);
        }
    } else if (zel_utc_gettime(&value) != 0) {
        return failure(name, "cannot read the clock");
    }
    char gmt[64], any[64], local[64], zone[32] = "";
    long offset = 0;
    int isdst = 0;
    if (zel_utc_ascgmtime(gmt, sizeof gmt - 1, &value) != 0 ||
        zel_utc_ascanytime(any, sizeof any - 1, &value) != 0 ||
        zel_utc_asclocaltime(local, sizeof local - 1, &value) != 0 ||
        zel_utc_localzone(zone, sizeof zone - 1, &offset, &isdst, &value) != 0) {
        return failure(name, "the time cannot be shown");
    }
    std::printf("utc    %s\n", gmt);
    std::printf("stamp  %s\n", any);
    std::printf("local  %s  %s%s\n", local, zone, isdst ? " (daylight saving)" : "");
    return finish(name, kDone);
}
