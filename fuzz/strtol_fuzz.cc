// Any text and base through zel_strtol, checked against strtol itself: the
// same value when the whole text was the number and it fits 32 bits, the
// nearest 32-bit limit when it does not fit, and the right status.
#include <zel/codec.h>
#include <zel/status.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

// The first byte picks a base from -1 to 40; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    int base = static_cast<int>(data[0] % 42) - 1;
    std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);

    // A base strtol does not take leaves its end pointer unset: such a text
    // is invalid whatever it holds.
    long value = 0;
    if (base < 0 || base == 1 || base > 36) {
        check(zel_strtol(text.c_str(), base, &value) == ZEL_S_NUMBER_INVALID && value == 0);
        return 0;
    }
    char *end;
    errno = 0;
    long expected = std::strtol(text.c_str(), &end, base);
    bool out_of_range = (errno == ERANGE && (expected == LONG_MAX || expected == LONG_MIN)) ||
                        expected > INT32_MAX || expected < INT32_MIN;
    if (expected > INT32_MAX) expected = INT32_MAX;
    if (expected < INT32_MIN) expected = INT32_MIN;
    unsigned int wanted = *end != '\0'   ? ZEL_S_NUMBER_INVALID
                          : out_of_range ? ZEL_S_NUMBER_TOO_LARGE
                                         : 0;

    check(zel_strtol(text.c_str(), base, &value) == wanted);
    check(value == expected);
    return 0;
}
