// The 16-byte UTC time value: its byte images (little-endian written, both
// orders read), making one from POSIX time, re-stamping its zone offset and
// turning it back into POSIX time.
#include <zel/utc.h>

#include <cstring>

#include "sys/hot_path.h"
#include "time/time_check.h"
#include "time/utc_internal.h"

namespace zel {

namespace {

constexpr int kVersion = 1;
constexpr int64_t kMaxUnixTime = 4294967295;  // the range zel_utc_bintime accepts

uint64_t load_le(const unsigned char *p, int n) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v = 0;
    std::memcpy(&v, p, static_cast<size_t>(n));
    return v;
#else
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
#endif
}

uint64_t load_be(const unsigned char *p, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

// The inaccuracy of a timespec: whole 100-ns units, nanoseconds rounded up.
bool inacc_from(const struct timespec *ts, uint64_t *inacc) {
    if (!ts || ts->tv_sec < 0) {
        *inacc = kInfiniteInacc;
        return true;
    }
    if (ts->tv_nsec < 0 || ts->tv_nsec > 999999999) return false;
    uint64_t units = (static_cast<uint64_t>(ts->tv_nsec) + 99) / 100;
    uint64_t sec = static_cast<uint64_t>(ts->tv_sec);
    // Beyond this the product could overflow; it is infinite either way.
    *inacc =
        sec > kInfiniteInacc / kTicksPerSecond ? kInfiniteInacc : sec * kTicksPerSecond + units;
    return true;
}

// The time of a POSIX timespec in 100-ns units since 1582, nanoseconds
// rounded to the nearest unit; false when it does not fit in 64 bits.
bool time_from(const struct timespec *ts, int64_t *time) {
    if (ts->tv_nsec < 0 || ts->tv_nsec > 999999999) return false;
    int64_t t;
    if (__builtin_mul_overflow(static_cast<int64_t>(ts->tv_sec), kTicksPerSecond, &t)) {
        return false;
    }
    int64_t units = (static_cast<int64_t>(ts->tv_nsec) + 50) / 100;
    if (__builtin_add_overflow(t, units, &t)) return false;
    if (__builtin_add_overflow(t, kUnixToUtcTicks, &t)) return false;
    *time = t;
    return true;
}

}  // namespace

ZEL_RECORD_PATH void utc_pack(zel_utc_t *utc, const UtcFields &f) {
    if (!utc) time_check_failed("utc != NULL", "core/svcutl/utcapi", 1101);
    uint64_t inacc = f.inacc >= kInfiniteInacc ? kInfiniteInacc : f.inacc;
    unsigned minutes = static_cast<unsigned>(f.tdf / 60) & 0xFFF;
    uint64_t time = static_cast<uint64_t>(f.time);
    // Bytes 8-15: inaccuracy, then the tdf minutes and the version above them.
    uint64_t rest =
        inacc | uint64_t{minutes & 0xFF} << 48 | uint64_t{(kVersion << 4) | (minutes >> 8)} << 56;
    unsigned char *b = utc->bytes;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Whole words, so that reading the value back soon after is not stalled.
    std::memcpy(b, &time, 8);
    std::memcpy(b + 8, &rest, 8);
#else
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(time >> (8 * i));
    for (int i = 0; i < 8; ++i) b[8 + i] = static_cast<unsigned char>(rest >> (8 * i));
#endif
}

ZEL_RECORD_PATH int utc_unpack(const zel_utc_t *utc, UtcFields *f) {
    const unsigned char *b = utc->bytes;
    if (((b[15] >> 4) & 7) != kVersion) return -1;
    uint64_t time;
    int minutes;
    if (b[15] & 0x80) {
        time = load_be(b, 8);
        f->inacc = load_be(b + 8, 6);
        minutes = (b[14] << 4) | (b[15] & 0x0F);
    } else {
        time = load_le(b, 8);
        uint64_t rest = load_le(b + 8, 8);
        f->inacc = rest & kInfiniteInacc;
        minutes = static_cast<int>(rest >> 48) & 0xFFF;
    }
    if (minutes > 2047) minutes -= 4096;
    f->time = static_cast<int64_t>(time);
    f->tdf = minutes * 60L;
    return 0;
}

ZEL_RECORD_PATH int utc_unpack_or_now(const zel_utc_t *utc, UtcFields *f) {
    zel_utc_t now;
    if (!utc) {
        if (zel_utc_gettime(&now) != 0) return -1;
        utc = &now;
    }
    return utc_unpack(utc, f);
}

}  // namespace zel

using zel::UtcFields;

extern "C" {

int zel_utc_mkbintime(zel_utc_t *utc, const struct timespec *timesp, const struct timespec *inaccsp,
                      long tdf) {
    UtcFields f;
    f.tdf = tdf;
    if (!timesp || !zel::inacc_from(inaccsp, &f.inacc) || !zel::time_from(timesp, &f.time)) {
        return -1;
    }
    zel::utc_pack(utc, f);
    return 0;
}

int utc_settdf(zel_utc_t *out, const zel_utc_t *in, long tdf) {
    UtcFields f;
    if (zel::utc_unpack_or_now(in, &f) != 0) return -1;
    f.tdf = tdf;
    zel::utc_pack(out, f);
    return 0;
}

int zel_utc_bintime(struct timespec *timesp, struct timespec *inaccsp, long *tdf,
                    const zel_utc_t *utc) {
    UtcFields f;
    if (zel::utc_unpack_or_now(utc, &f) != 0) return -1;
    if (inaccsp) {
        if (f.inacc >= zel::kInfiniteInacc) {
            inaccsp->tv_sec = -1;
            inaccsp->tv_nsec = -1;
        } else {
            inaccsp->tv_sec = static_cast<time_t>(f.inacc / zel::kTicksPerSecond);
            inaccsp->tv_nsec = static_cast<long>(f.inacc % zel::kTicksPerSecond) * 100;
        }
    }
    // The epoch difference is whole seconds, so splitting first cannot overflow.
    int64_t seconds = zel::floor_div(f.time, zel::kTicksPerSecond) - zel::kUnixToUtcSeconds;
    long nanos = static_cast<long>(zel::floor_mod(f.time, zel::kTicksPerSecond)) * 100;
    if (timesp) {
        if (sizeof(time_t) >= sizeof(int64_t)) {
            timesp->tv_sec = static_cast<time_t>(seconds);
        } else {
            timesp->tv_sec = static_cast<time_t>(static_cast<uint32_t>(seconds));
        }
        timesp->tv_nsec = nanos;
    }
    if (tdf) *tdf = f.tdf;
    return (seconds < 0 || seconds > zel::kMaxUnixTime) ? -1 : 0;
}

}  // extern "C"
