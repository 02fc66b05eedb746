// The text forms of a UTC time value: "YYYY-MM-DD-hh:mm:ss.mmm", the zone
// offset "+hh:mm" for the zone forms, then the inaccuracy "Is.mmm" or "I-----".
// Digits are written by hand: these stamp every log record.
#include <zel/utc.h>

#include <cstring>

#include "sys/hot_path.h"
#include "time/utc_internal.h"

namespace zel {

namespace {

// Room for the longest text and its NUL: a year of 6 characters ("-29228"),
// an offset, and an inaccuracy of 8 digits: 25 + 6 + 13 characters.
constexpr size_t kMaxText = 48;

// Appends `value` as printf's "%0<width>d" does (the sign counts in the width).
char *put_int(char *p, long value, int width) {
    char digits[24];
    int n = 0;
    unsigned long u =
        value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0) {
        *p++ = '-';
        --width;
    }
    for (int i = n; i < width; ++i) *p++ = '0';
    while (n) *p++ = digits[--n];
    return p;
}

// Two digits of a field known to be 0..99.
inline char *put2(char *p, int value) {
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

// The text up to the second, "YYYY-MM-DD-hh:mm:ss.", of the last second this
// thread printed: stamps come in bursts, and the calendar is the costly part.
struct SecondText {
    int64_t second = INT64_MIN;
    size_t length = 0;
    char text[32];
};
static_assert(sizeof SecondText::text <= kMaxText, "the text is copied whole");

// Once a second per thread: out of the way of the stamps in between.
[[gnu::cold, gnu::noinline]] void fill_second(SecondText *cache, int64_t seconds) {
    int64_t minute = floor_div(seconds, 60);
    struct tm tm;
    split_seconds(minute * 60, &tm);
    char *q = cache->text;
    int year = tm.tm_year + 1900;
    if (year >= 0 && year <= 9999) {
        q = put2(put2(q, year / 100), year % 100);
    } else {
        q = put_int(q, year, 4);
    }
    *q++ = '-';
    q = put2(q, tm.tm_mon + 1);
    *q++ = '-';
    q = put2(q, tm.tm_mday);
    *q++ = '-';
    q = put2(q, tm.tm_hour);
    *q++ = ':';
    q = put2(q, tm.tm_min);
    *q++ = ':';
    q = put2(q, static_cast<int>(seconds - minute * 60));
    *q++ = '.';
    cache->length = static_cast<size_t>(q - cache->text);
    cache->second = seconds;
}

// Needs room for 32 characters at `p`, whatever the text's length.
char *put_time(char *p, int64_t time, long tdf, SecondText &cache) {
    int64_t seconds = floor_div(time, kTicksPerSecond) + tdf;
    long millis = static_cast<long>(floor_mod(time, kTicksPerSecond) + 5000) / 10000;
    if (millis == 1000) {  // carried into the seconds rather than shown as 1000
        millis = 0;
        ++seconds;
    }
    if (cache.second != seconds) fill_second(&cache, seconds);
    std::memcpy(p, cache.text, sizeof cache.text);
    p += cache.length;
    *p++ = static_cast<char>('0' + millis / 100);
    return put2(p, static_cast<int>(millis % 100));
}

char *put_offset(char *p, long tdf) {
    *p++ = tdf < 0 ? '-' : '+';
    long magnitude = tdf < 0 ? -tdf : tdf;
    p = put2(p, static_cast<int>(magnitude / 3600));  // at most 34 hours
    *p++ = ':';
    return put2(p, static_cast<int>(magnitude % 3600 / 60));
}

// A known inaccuracy, milliseconds rounded up: rare in stamps, which mostly
// have none.
[[gnu::cold, gnu::noinline]] char *put_known_inacc(char *p, uint64_t inacc) {
    struct tm tm;
    long nanos;
    split_inacc(inacc, &tm, &nanos);
    long seconds = tm.tm_yday * 86400L + tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec;
    long millis = (nanos + 999999) / 1000000;
    if (millis >= 1000) {
        millis -= 1000;
        ++seconds;
    }
    p = put_int(p, seconds, 1);
    *p++ = '.';
    return put_int(p, millis, 3);
}

char *put_inacc(char *p, uint64_t inacc) {
    *p++ = 'I';
    if (inacc < kInfiniteInacc) return put_known_inacc(p, inacc);
    std::memcpy(p, "-----", 5);
    return p + 5;
}

// A text made aside for a short buffer, copied when it fits.
[[gnu::cold, gnu::noinline]] int finish(char *cp, size_t stringlen, const char *text,
                                        const char *end) {
    size_t length = static_cast<size_t>(end - text);
    if (length > stringlen) return -1;
    std::memcpy(cp, text, length);
    cp[length] = '\0';
    return 0;
}

// What a thread keeps between stamps, in one place so that it is found once
// per call.
struct ThreadText {
    SecondText second;
    OffsetMemo offset;
};
thread_local ThreadText t_text;

ZEL_RECORD_PATH int format(char *cp, size_t stringlen, const UtcFields &f, bool with_zone,
                           SecondText &cache) {
    if (!cp) return -1;
    // Written in place when any text fits, else first aside.
    char aside[kMaxText];
    char *text = stringlen >= kMaxText - 1 ? cp : aside;
    char *p = put_time(text, f.time, with_zone ? f.tdf : 0, cache);
    if (with_zone) p = put_offset(p, f.tdf);
    p = put_inacc(p, f.inacc);
    if (text == cp) {
        *p = '\0';
        return 0;
    }
    return finish(cp, stringlen, text, p);
}

}  // namespace

}  // namespace zel

extern "C" {

int zel_utc_ascgmtime(char *cp, size_t stringlen, const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    return zel::format(cp, stringlen, f, false, zel::t_text.second);
}

int zel_utc_ascanytime(char *cp, size_t stringlen, const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    return zel::format(cp, stringlen, f, true, zel::t_text.second);
}

ZEL_RECORD_PATH int zel_utc_asclocaltime(char *cp, size_t stringlen, const zel_utc_t *utc) {
    zel::UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    zel::ThreadText &kept = zel::t_text;
    long tdf = zel::local_offset_at(&kept.offset, f.time);
    // Shown as the value re-stamped with that offset would show it.
    f.tdf = zel::stored_tdf(tdf);
    return zel::format(cp, stringlen, f, true, kept.second);
}

}  // extern "C"
