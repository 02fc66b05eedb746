// UTC values: byte images, POSIX time, the calendar and the text forms.
#include <random>

#include "support/test_support.h"
#include "time_test_util.h"
#include "utc_text_oracle.h"

using namespace zeltest;

namespace {

std::string hex(const zel_utc_t &v) {
    char text[40];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", v.bytes[i]);
    return text;
}

// "result seconds.nanoseconds inaccuracy tdf" as zel_utc_bintime gives them.
std::string posix(const zel_utc_t &v) {
    struct timespec t = {0, 0}, i = {0, 0};
    long tdf = 0;
    int rc = zel_utc_bintime(&t, &i, &tdf, &v);
    char text[100];
    std::snprintf(text, sizeof text, "%d %lld.%09ld %lld.%09ld %ld", rc, (long long)t.tv_sec, t.tv_nsec,
                  (long long)i.tv_sec, i.tv_nsec, tdf);
    return text;
}

// The same fields in the big-endian form.
zel_utc_t to_big_endian(const zel_utc_t &v) {
    const unsigned char *b = v.bytes;
    zel_utc_t r;
    for (int i = 0; i < 8; ++i) r.bytes[i] = b[7 - i];
    for (int i = 0; i < 6; ++i) r.bytes[8 + i] = b[13 - i];
    int minutes = b[14] | ((b[15] & 0x0F) << 8);
    r.bytes[14] = static_cast<unsigned char>(minutes >> 4);
    r.bytes[15] = static_cast<unsigned char>(0x90 | (minutes & 0x0F));
    return r;
}

// Julian day number of a civil date (Fliegel-Van Flandern), Gregorian or Julian.
int64_t day_number(const struct tm &tm, bool gregorian) {
    int64_t a = (13 - tm.tm_mon) / 12, y = tm.tm_year + 1900 + 4800 - a, m = tm.tm_mon + 1 + 12 * a - 3;
    int64_t n = tm.tm_mday + (153 * m + 2) / 5 + 365 * y + y / 4;
    return gregorian ? n - y / 100 + y / 400 - 32045 : n - 32083;
}

using Formatter = int (*)(char *, size_t, const zel_utc_t *);

std::string text(Formatter f, const zel_utc_t &v) {
    char buf[100];
    return f(buf, sizeof buf - 1, &v) == 0 ? buf : "<failed>";
}

}  // namespace

TEST(UtcValue, ByteImagesBothOrdersAndTdf) {
    zel_utc_t v;
    struct timespec ts = {0, 0}, inacc = {3, 5000};
    ASSERT_EQ(zel_utc_mkbintime(&v, &ts, nullptr, 0), 0);
    EXPECT_EQ(hex(v), "00408113d21db201ffffffffffff0010");
    ASSERT_EQ(zel_utc_mkbintime(&v, &ts, nullptr, -18000), 0);
    EXPECT_EQ(hex(v).substr(28), "d41e");
    EXPECT_EQ(posix(v), "0 0.000000000 -1.-00000001 -18000");
    zel_utc_mkbintime(&v, &ts, nullptr, 90);
    EXPECT_EQ(posix(v), "0 0.000000000 -1.-00000001 60");
    // A new offset keeps the instant.
    zel_utc_t w = from_unix(946684800, 1234, 3600, 77), out;
    ASSERT_EQ(utc_settdf(&out, &w, -34200), 0);
    EXPECT_EQ(posix(out), posix(from_unix(946684800, 1234, -34200, 77)));

    // Big-endian values read the same fields; other versions are refused.
    ts = {1234567890, 987654300};
    ASSERT_EQ(zel_utc_mkbintime(&v, &ts, &inacc, 19800), 0);
    EXPECT_EQ(posix(to_big_endian(v)), posix(v));
    EXPECT_EQ(posix(v), "0 1234567890.987654300 3.000005000 19800");
    for (unsigned char b15 : {0x20, 0x00, 0xA0, 0x70}) {
        zel_utc_t bad = v;
        bad.bytes[15] = b15;
        char t[64];
        struct tm tm;
        EXPECT_EQ(posix(bad)[0], '-');
        EXPECT_EQ(zel_utc_gmtime(&tm, nullptr, nullptr, nullptr, &bad) +
                      zel_utc_anytime(nullptr, nullptr, nullptr, nullptr, nullptr, &bad) + utc_settdf(&bad, &bad, 0) +
                      zel_utc_ascanytime(t, sizeof t - 1, &bad) + zel_utc_asclocaltime(t, sizeof t - 1, &bad) +
                      zel_utc_localzone(t, sizeof t, nullptr, nullptr, &bad),
                  -6);
    }
}

TEST(UtcValue, PosixTimeRoundTripAndRange) {
    zel_utc_t v;
    struct timespec ts, back, inacc;
    // Nanoseconds round to the nearest 100 ns; the inaccuracy rounds up.
    for (long ns : {0L, 49L, 50L, 149L, 999999949L, 999999950L}) {
        ts = {1000, ns};
        inacc = {0, ns};
        ASSERT_EQ(zel_utc_mkbintime(&v, &ts, &inacc, 0), 0);
        ASSERT_EQ(zel_utc_bintime(&back, &inacc, nullptr, &v), 0);
        EXPECT_EQ(back.tv_sec * 1000000000LL + back.tv_nsec, 1000000000000LL + (ns + 50) / 100 * 100);
        EXPECT_EQ(inacc.tv_sec * 1000000000LL + inacc.tv_nsec, (ns + 99) / 100 * 100);
    }
    // Inaccuracies from 2^48 - 1 units on are infinite.
    ts = {1000, 0};
    for (long ns : {671065400L, 671065500L}) {
        inacc = {28147497, ns};
        zel_utc_mkbintime(&v, &ts, &inacc, 0);
        EXPECT_EQ(posix(v),
                  ns == 671065400L ? "0 1000.000000000 28147497.671065400 0" : "0 1000.000000000 -1.-00000001 0");
    }

    // The accepted range is 0..2^32-1 seconds; the outputs are filled anyway.
    EXPECT_EQ(posix(from_unix(-1, 5000000)).substr(0, 15), "-1 -1.500000000");
    EXPECT_EQ(posix(from_unix(0)).substr(0, 14), "0 0.000000000 ");
    std::string firsts;
    for (zel_utc_t x : {from_unix(4294967295LL), from_unix(4294967296LL), from_ticks(INT64_MIN), from_ticks(INT64_MAX)})
        firsts += posix(x)[0];
    EXPECT_EQ(firsts, "0---");

    const struct timespec big_ns = {0, 1000000000}, zero = {0, 0}, negative = {1, -1},
                          far = sizeof(time_t) == 8 ? timespec{static_cast<time_t>(INT64_MAX / 2), 0} : big_ns;
    EXPECT_EQ(-4, zel_utc_mkbintime(&v, &big_ns, nullptr, 0) + zel_utc_mkbintime(&v, &zero, &negative, 0) +
                      zel_utc_mkbintime(&v, nullptr, nullptr, 0) + zel_utc_mkbintime(&v, &far, nullptr, 0));
    ts = zero;
    EXPECT_DEATH(zel_utc_mkbintime(nullptr, &ts, nullptr, 0), "utc != NULL");
    // The inaccuracy broken down as days, hours, minutes and seconds; -1 when infinite.
    struct tm tm;
    long ns;
    v = from_unix(0, 0, 0, (26 * 3600 + 3 * 60 + 4) * 10000000ULL + 5);
    ASSERT_EQ(zel_utc_gmtime(nullptr, nullptr, &tm, &ns, &v), 0);
    EXPECT_EQ(tm.tm_yday * 1000000 + tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec, 1020304);
    EXPECT_EQ(ns, 500);
    EXPECT_EQ(tm.tm_mday, -1);
    v = from_unix(0);
    zel_utc_gmtime(nullptr, nullptr, &tm, &ns, &v);
    EXPECT_EQ(ns + tm.tm_sec + tm.tm_yday, -3);
}

TEST(Calendar, AgreesWithDayNumbers) {
    // Day 0 (1582-10-15) is Julian day 2299161; the Julian calendar runs before it.
    std::mt19937_64 rng(7);
    struct tm tm;
    for (int i = 0; i < 200000; ++i) {
        int64_t days = static_cast<int64_t>(rng() % 4000000) - 2000000;
        int64_t second = static_cast<int64_t>(rng() % 86400);
        zel_utc_t v = from_ticks((days * 86400 + second) * kTicks + 1);
        ASSERT_EQ(zel_utc_gmtime(&tm, nullptr, nullptr, nullptr, &v), 0);
        ASSERT_EQ(day_number(tm, days >= 0), 2299161 + days) << days;
        ASSERT_EQ(tm.tm_wday, (2299161 + days + 1) % 7);
        ASSERT_EQ(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec, second);
        struct tm jan1 = tm;
        jan1.tm_mon = 0;
        jan1.tm_mday = 1;
        ASSERT_EQ(tm.tm_yday, day_number(tm, days >= 0) - day_number(jan1, days >= 0));
    }
    // The far ends of the 64-bit range break down without overflow.
    zel_utc_t lo = from_ticks(INT64_MIN, -122880), hi = from_ticks(INT64_MAX, 122820);
    EXPECT_EQ(zel_utc_anytime(&tm, nullptr, nullptr, nullptr, nullptr, &lo), 0);
    EXPECT_LT(tm.tm_year, -27000);
    EXPECT_EQ(zel_utc_anytime(&tm, nullptr, nullptr, nullptr, nullptr, &hi), 0);
    EXPECT_GT(tm.tm_year, 27000);
}

TEST(UtcText, ShapesRoundingAndLength) {
    // (The digits of every other value are the snprintf comparison's.) An offset
    // in seconds shows in whole minutes; milliseconds carry at 999.5 ms.
    EXPECT_EQ(text(zel_utc_ascanytime, from_unix(0, 0, 90)), "1970-01-01-00:01:00.000+00:01I-----");
    EXPECT_EQ(text(zel_utc_ascgmtime, from_unix(946684799, 9995000)), "2000-01-01-00:00:00.000I-----");

    // The length limit: nothing is written to a buffer one byte short.
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
        utc_text_oracle(want, sizeof want, tm, ns, itm, ins, off);
        ASSERT_EQ(text(zel_utc_ascanytime, v), want);
    }
}

TEST(UtcText, LocalTimeRestampsInWholeMinutes) {
    set_tz("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(text(zel_utc_asclocaltime, from_unix(1625097600, 0, -18000)), "2021-07-01-02:00:00.000+02:00I-----");
    set_tz("XXX-0:09:21");
    EXPECT_EQ(text(zel_utc_asclocaltime, from_unix(1625097600)), "2021-07-01-00:09:00.000+00:09I-----");
    char now[64];
    ASSERT_EQ(zel_utc_asclocaltime(now, sizeof now - 1, nullptr), 0);
    EXPECT_EQ(std::strlen(now), std::strlen("2021-07-01-00:09:00.000+00:09I-----"));
}
