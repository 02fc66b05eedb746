// Text forms: shapes, rounding of milliseconds and inaccuracy, the length
// limit, and the hand-written digits checked against snprintf.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "time_test_util.h"

using namespace zeltest;

namespace {

using Formatter = int (*)(char *, size_t, const zel_utc_t *);

std::string text(Formatter f, const zel_utc_t &v) {
    char buf[100];
    return f(buf, sizeof buf - 1, &v) == 0 ? buf : "<failed>";
}

}  // namespace

TEST(UtcText, ShapesAndRounding) {
    zel_utc_t v = from_unix(946684800, 0, -18000);
    EXPECT_EQ(text(zel_utc_ascanytime, v), "1999-12-31-19:00:00.000-05:00I-----");
    EXPECT_EQ(text(zel_utc_ascgmtime, v), "2000-01-01-00:00:00.000I-----");
    EXPECT_EQ(text(zel_utc_ascanytime, from_unix(0, 0, 90)), "1970-01-01-00:01:00.000+00:01I-----");
    // Milliseconds to the nearest, carried into the date at 999.5 ms.
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(0, 4999)), "1970-01-01-00:00:00.000I-----");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(0, 5000)), "1970-01-01-00:00:00.001I-----");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(946684799, 9995000)),
              "2000-01-01-00:00:00.000I-----");
    // The inaccuracy rounds up.
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(0, 0, 0, 1)), "1970-01-01-00:00:00.000I0.001");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(0, 0, 0, 9995000)),
              "1970-01-01-00:00:00.000I1.000");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(0, 0, 0, 90061 * kTicks)),
              "1970-01-01-00:00:00.000I90061.000");
    struct timespec ts = {0, 0}, inacc = {28147497, 671065500};
    zel_utc_mkbintime(&v, &ts, &inacc, 0);
    EXPECT_EQ(text(zel_utc_ascgmtime, v), "1970-01-01-00:00:00.000I-----");
    // Julian 0001-01-01 is two days before Gregorian 0001-01-01; years before
    // year 1 keep printf's shape.
    int64_t year1 = -62135596800LL - 2 * 86400;
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(year1)), "0001-01-01-00:00:00.000I-----");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(year1 - (366 + 365) * 86400LL)),
              "-001-01-01-00:00:00.000I-----");
}

TEST(UtcText, LengthLimit) {
    zel_utc_t v = from_unix(1700000000, 0, 3600, 50000);
    const std::string full = text(zel_utc_ascanytime, v);
    ASSERT_EQ(full, "2023-11-14-23:13:20.000+01:00I0.005");
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(zel_utc_ascanytime(buf, full.size() - 1, &v), -1);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(zel_utc_ascanytime(buf, full.size(), &v), 0);
    EXPECT_EQ(std::string(buf), full);
    EXPECT_EQ(zel_utc_ascgmtime(nullptr, 50, &v), -1);
}

TEST(UtcText, DigitsMatchSnprintf) {
    std::mt19937_64 rng(11);
    int64_t base = 0;
    for (int i = 0; i < 100000; ++i) {
        // Runs of nearby seconds: the text up to the minute is kept per thread.
        if (i % 8 == 0) base = static_cast<int64_t>(rng() % 800000000000ULL) - 400000000000LL;
        int64_t seconds = base + static_cast<int64_t>(rng() % 90);
        int64_t units = static_cast<int64_t>(rng() % 9995000);  // no carry into the second
        long tdf = (static_cast<long>(rng() % 4095) - 2048) * 60;
        uint64_t inacc = rng() % 4 ? rng() % (uint64_t{1} << 48) : zel::kInfiniteInacc;
        zel_utc_t v = from_unix(seconds, units, tdf, inacc);
        struct tm tm, itm;
        long ns, ins, off;
        ASSERT_EQ(zel_utc_anytime(&tm, &ns, &itm, &ins, &off, &v), 0);
        char want[100];
        long mag = off < 0 ? -off : off;
        int n = std::snprintf(want, sizeof want, "%04d-%02d-%02d-%02d:%02d:%02d.%03d%s%02d:%02d",
                              tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                              tm.tm_sec, static_cast<int>((ns + 500000) / 1000000),
                              off < 0 ? "-" : "+", static_cast<int>(mag / 3600),
                              static_cast<int>(mag % 3600 / 60));
        if (ins < 0) {
            std::snprintf(want + n, sizeof want - n, "I-----");
        } else {
            long s = itm.tm_yday * 86400L + itm.tm_hour * 3600 + itm.tm_min * 60 + itm.tm_sec;
            long ms = (ins + 999999) / 1000000;
            std::snprintf(want + n, sizeof want - n, "I%01ld.%03ld", s + ms / 1000, ms % 1000);
        }
        ASSERT_EQ(text(zel_utc_ascanytime, v), want);
    }
}

TEST(UtcText, LocalTimeRestampsInWholeMinutes) {
    set_tz("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(text(zel_utc_asclocaltime, from_unix(1625097600, 0, -18000)),
              "2021-07-01-02:00:00.000+02:00I-----");
    set_tz("XXX-0:09:21");
    EXPECT_EQ(text(zel_utc_asclocaltime, from_unix(1625097600)),
              "2021-07-01-00:09:00.000+00:09I-----");
    char now[64];
    ASSERT_EQ(zel_utc_asclocaltime(now, sizeof now - 1, nullptr), 0);
    EXPECT_EQ(std::strlen(now), std::strlen("2021-07-01-00:09:00.000+00:09I-----"));
}
