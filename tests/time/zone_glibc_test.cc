// The local zone against glibc's localtime_r: offset, daylight flag and
// abbreviation around every transition of 1970..2037, for rule strings and
// for installed zone files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <set>
#include <string>

#include "time/zone_state.h"
#include "time_test_util.h"

using namespace zeltest;

namespace {

constexpr int64_t kEnd = 2145916799;  // 2037-12-31 23:59:59, within a 32-bit time_t

// "offset daylight abbreviation" as glibc sees them.
std::string glibc_at(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tm;
    localtime_r(&tt, &tm);
    return std::to_string(tm.tm_gmtoff) + " " + std::to_string(tm.tm_isdst > 0) + " " + tm.tm_zone;
}

// The first second at which `at` differs from its value at `lo`.
template <typename F> int64_t change_after(F at, int64_t lo, int64_t hi) {
    std::string first = at(lo);
    while (hi - lo > 1) {
        int64_t mid = lo + (hi - lo) / 2;
        (at(mid) == first ? lo : hi) = mid;
    }
    return hi;
}

// Scans day by day from `from`, finds every change on either side, and
// compares the hours around each one and the second before it.
void compare(const char *tz, int64_t from) {
    set_tz(tz);
    std::set<int64_t> changes;
    for (int64_t t = from; t < kEnd; t += 86400) {
        int64_t next = t + 86400 < kEnd ? t + 86400 : kEnd;
        ASSERT_EQ(zone_at(t), glibc_at(t)) << tz << " at " << t;
        if (glibc_at(next) != glibc_at(t)) changes.insert(change_after(glibc_at, t, next));
        if (zone_at(next) != zone_at(t)) changes.insert(change_after(zone_at, t, next));
    }
    for (int64_t c : changes) {
        for (int64_t t : {c - 7200, c - 3600, c - 1, c, c + 3600, c + 7200}) {
            if (t < from || t > kEnd) continue;
            EXPECT_EQ(zone_at(t), glibc_at(t)) << tz << " at " << t;
        }
    }
}

// Rule zones start at their first transition: before it the zone shows its
// standard time, where a southern zone's rule would already be in daylight.
void compare_rule(const char *tz) {
    std::unique_ptr<zel::ZoneState> s(new zel::ZoneState);
    ASSERT_EQ(zel::tzparse(tz, false, s.get()), 0) << tz;
    compare(tz, s->timecnt ? s->ats[0] : 0);
}

void compare_file(const char *name) {
    if (access((std::string("/usr/share/zoneinfo/") + name).c_str(), R_OK) != 0) {
        GTEST_SKIP() << name << " is not installed";
    }
    compare(name, 0);
}

}  // namespace

TEST(ZoneVsGlibc, NorthernRules) {
    compare_rule("EST5EDT,M3.2.0,M11.1.0");
    compare_rule("CET-1CEST,M3.5.0,M10.5.0/3");
    compare_rule("XNT3:30XND2:30,M3.2.0/0:01,M11.1.0/0:01:30");
}
TEST(ZoneVsGlibc, SouthernRules) {
    compare_rule("AEST-10AEDT,M10.1.0,M4.1.0/3");
    compare_rule("NZST-12NZDT,M9.5.0,M4.1.0/3");
}
TEST(ZoneVsGlibc, FixedOffset) { compare_rule("IST-5:30"); }
TEST(ZoneVsGlibc, JulianAndZeroBasedDays) {
    compare_rule("XJT3XJS,J60/1,J300/3");
    compare_rule("XZT-2XZS,59,300/1:30");
    compare_rule("XYT+4XYS+3,0/5,365/1");
}
TEST(ZoneVsGlibc, EuropeParis) { compare_file("Europe/Paris"); }
TEST(ZoneVsGlibc, AmericaNewYork) { compare_file("America/New_York"); }
TEST(ZoneVsGlibc, AustraliaLordHowe) { compare_file("Australia/Lord_Howe"); }
TEST(ZoneVsGlibc, AsiaKolkata) { compare_file("Asia/Kolkata"); }
TEST(ZoneVsGlibc, PacificChatham) { compare_file("Pacific/Chatham"); }
