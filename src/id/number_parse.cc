// Strict conversion of text to a signed 32-bit number: the whole text must be
// the number, and it must fit 32 bits on every target, as long does on the
// 32-bit one.
#include <zel/codec.h>
#include <zel/status.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

extern "C" unsigned int zel_strtol(const char *text, int base, long *value) {
    if (!text || !value) return ZEL_S_NUMBER_INVALID;
    // strtol leaves the end pointer unset for a base it does not take.
    if (base < 0 || base == 1 || base > 36) {
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
