// Strict conversion of text to a long: the whole text must be the number.
#include <zel/codec.h>
#include <zel/status.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

extern "C" unsigned int zel_strtol(const char *text, int base, long *value) {
    if (!text || !value) return ZEL_S_NUMBER_INVALID;
    char *end;
    errno = 0;
    long result = std::strtol(text, &end, base);
    *value = result;
    if (*end != '\0') return ZEL_S_NUMBER_INVALID;
    if (errno == ERANGE && (result == LONG_MAX || result == LONG_MIN)) return ZEL_S_NUMBER_TOO_LARGE;
    return 0;
}
