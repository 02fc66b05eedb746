// Strict conversion of text to a signed 32-bit number: the whole text must be
// the number, and it must fit 32 bits on every target, as long does on the
// 32-bit one. Bases 8, 10 and 16 (and 0, which picks one of them) are read
// here, exactly as strtol reads them; other bases and odd texts go to strtol.
#include <zel/codec.h>
#include <zel/status.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// A magnitude beyond every 32-bit number; reading saturates there.
constexpr uint64_t kBeyond = uint64_t{1} << 32;

struct DigitTable {
    unsigned char value[256];
    constexpr DigitTable() : value() {
        for (int c = 0; c < 256; ++c) value[c] = 99;
        for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<unsigned char>(c - '0');
        for (int c = 'a'; c <= 'f'; ++c)
            value[c] = value[c - 'a' + 'A'] = static_cast<unsigned char>(c - 'a' + 10);
    }
};
constexpr DigitTable kDigits;

unsigned int digit(char c) { return kDigits.value[static_cast<unsigned char>(c)]; }

// Reads the digits at p into *magnitude, saturating beyond 32 bits, and
// returns the end of them. The base is a constant so that the multiply is.
template <unsigned int Base>
const char *read_digits(const char *p, uint64_t *magnitude) {
    uint64_t m = 0;
    for (unsigned int d; (d = digit(*p)) < Base; ++p) {
        m = m * Base + d;
        if (m > kBeyond) m = kBeyond;
    }
    *magnitude = m;
    return p;
}

// The blanks every locale counts as white space: ' ' and '\t' to '\r'.
bool ascii_blank(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }

// Reads text as strtol would and gives the status; false when it leaves the
// text to strtol: another base, other leading white space, no digits, or a
// "0x" that no hexadecimal digit follows.
bool read_number(const char *text, int base, long *value, unsigned int *status) {
    const char *p = text;
    while (ascii_blank(*p)) ++p;
    bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        if (digit(p[2]) >= 16) return false;
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = *p == '0' ? 8 : 10;
    } else if (base != 8 && base != 10 && base != 16) {
        return false;
    }
    const char *digits = p;
    uint64_t magnitude = 0;
    p = base == 10   ? read_digits<10>(p, &magnitude)
        : base == 16 ? read_digits<16>(p, &magnitude)
                     : read_digits<8>(p, &magnitude);
    if (p == digits) return false;
    bool too_large = magnitude > (negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX});
    int64_t number = static_cast<int64_t>(
        too_large ? (negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX}) : magnitude);
    *value = static_cast<long>(negative ? -number : number);
    *status = *p != '\0' ? ZEL_S_NUMBER_INVALID : too_large ? ZEL_S_NUMBER_TOO_LARGE : 0;
    return true;
}

}  // namespace

extern "C" unsigned int zel_strtol(const char *text, int base, long *value) {
    if (!text || !value) return ZEL_S_NUMBER_INVALID;
    unsigned int status;
    if (read_number(text, base, value, &status)) return status;
    // strtol leaves the end pointer unset for a base it does not take.
    if (static_cast<unsigned int>(base) > 36 || base == 1) {
        *value = 0;
        return ZEL_S_NUMBER_INVALID;
    }
    char *end;
    errno = 0;
    long result = std::strtol(text, &end, base);
    bool too_large = errno == ERANGE && (result == LONG_MAX || result == LONG_MIN);
    if constexpr (sizeof(long) > sizeof(int32_t)) {
        if (result > INT32_MAX || result < INT32_MIN) {
            result = result > 0 ? INT32_MAX : INT32_MIN;
            too_large = true;
        }
    }
    *value = result;
    if (*end != '\0') return ZEL_S_NUMBER_INVALID;
    return too_large ? ZEL_S_NUMBER_TOO_LARGE : 0;
}
