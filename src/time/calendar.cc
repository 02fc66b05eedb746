// Breaking 100-ns times and inaccuracies down into struct tm fields: the
// proleptic Gregorian calendar from 1582-10-15 on, the Julian one before it.
#include <cstring>

#include "time/utc_internal.h"

namespace zel {

namespace {

constexpr int kMonthToDays[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
// Days from 0001-01-01 to 1582-10-15, Gregorian and Julian counts.
constexpr int kGregorianEpochDay = 577735;
constexpr int kJulianEpochDay = 577737;
constexpr int kEpochWeekday = 5;  // 1582-10-15 was a Friday

bool is_leap(int year) {
    if (year > 1582) return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (year & 3) == 0;  // also for years before 1
}

int floor_div32(int a, int b) { return a / b - (a % b < 0); }

// Year and 0-based day of the year of day `days` since 1582-10-15. Every
// value of the 64-bit time is within some ten million days of it, so the
// arithmetic fits in 32 bits.
void year_and_day(int days, int *year, int *yday) {
    int y, r;
    if (days >= 0) {
        int d = days + kGregorianEpochDay;
        y = 1 + 400 * (d / 146097);
        r = d % 146097;
        int c = r / 36524 < 3 ? r / 36524 : 3;
        y += 100 * c;
        r -= 36524 * c;
    } else {
        int d = days + kJulianEpochDay;
        y = 1 + 4 * floor_div32(d, 1461);
        r = d - 1461 * floor_div32(d, 1461);
    }
    y += 4 * (r / 1461);
    r %= 1461;
    int extra = r / 365 < 3 ? r / 365 : 3;
    *year = y + extra;
    *yday = r - 365 * extra;
}

}  // namespace

void split_seconds(int64_t seconds, struct tm *tm) {
    std::memset(tm, 0, sizeof *tm);
    tm->tm_isdst = -1;
    int64_t days = floor_div(seconds, kSecondsPerDay);
    int sec_of_day = static_cast<int>(seconds - days * kSecondsPerDay);
    int year, yday;
    year_and_day(static_cast<int>(days), &year, &yday);
    bool leap = is_leap(year);
    tm->tm_yday = yday;
    if (leap && yday == 59) {
        tm->tm_mon = 1;
        tm->tm_mday = 29;
    } else {
        int day = (leap && yday > 59) ? yday - 1 : yday;
        // No month is longer than 31 days, so day / 31 is the month or the one before.
        int mon = day / 31;
        if (mon < 11 && kMonthToDays[mon + 1] <= day) ++mon;
        tm->tm_mon = mon;
        tm->tm_mday = day + 1 - kMonthToDays[mon];
    }
    tm->tm_year = year - 1900;
    tm->tm_hour = sec_of_day / 3600;
    tm->tm_min = sec_of_day / 60 % 60;
    tm->tm_sec = sec_of_day % 60;
    // Counted from the epoch itself, so it stays right across the calendar change.
    tm->tm_wday = static_cast<int>(floor_mod(days + kEpochWeekday, 7));
}

void split_time(int64_t time, long tdf, struct tm *tm, long *nanos) {
    if (nanos) *nanos = static_cast<long>(floor_mod(time, kTicksPerSecond)) * 100;
    // tdf is whole seconds, so adding it after the division cannot overflow.
    if (tm) split_seconds(floor_div(time, kTicksPerSecond) + tdf, tm);
}

void split_inacc(uint64_t inacc, struct tm *tm, long *nanos) {
    if (inacc >= kInfiniteInacc) {
        if (nanos) *nanos = -1;
        if (tm) {
            std::memset(tm, 0, sizeof *tm);
            tm->tm_sec = tm->tm_min = tm->tm_hour = tm->tm_mday = tm->tm_mon = -1;
            tm->tm_year = tm->tm_wday = tm->tm_yday = tm->tm_isdst = -1;
        }
        return;
    }
    int64_t s = static_cast<int64_t>(inacc / kTicksPerSecond);
    if (nanos) *nanos = static_cast<long>(inacc % kTicksPerSecond) * 100;
    if (!tm) return;
    std::memset(tm, 0, sizeof *tm);
    tm->tm_sec = static_cast<int>(s % 60);
    tm->tm_min = static_cast<int>(s / 60 % 60);
    tm->tm_hour = static_cast<int>(s / 3600 % 24);
    tm->tm_yday = static_cast<int>(s / kSecondsPerDay);
    tm->tm_mday = -1;
    tm->tm_wday = -1;
    tm->tm_isdst = -1;
}

}  // namespace zel
