// zel errtext CODE...: describes status codes as the library's error text does.
#include <zel/zel.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"

namespace {

// Hexadecimal with or without 0x, or decimal. Text with both hexadecimal
// letters and no 0x is read as hexadecimal; plain digits are decimal unless
// they are eight digits long (the usual way a code is written).
bool parse_code(const char *text, unsigned32 *code) {
    const char *digits = text;
    int base = 10;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits += 2;
        base = 16;
    } else if (std::strspn(digits, "0123456789") != std::strlen(digits) ||
               std::strlen(digits) == 8) {
        base = 16;
    }
    size_t length = std::strlen(digits);
    if (length == 0 ||
        std::strspn(digits, base == 16 ? "0123456789abcdefABCDEF" : "0123456789") != length) {
        return false;
    }
    errno = 0;
    unsigned long long value = std::strtoull(digits, nullptr, base);
    if (errno == ERANGE || value > 0xFFFFFFFFull) return false;
    *code = static_cast<unsigned32>(value);
    return true;
}

}  // namespace

int zeltool::errtext(int argc, char **argv) {
    if (argc == 0) {
        std::fprintf(stderr, "Usage: zel errtext CODE...\n");
        return 2;
    }
    int result = 0;
    for (int i = 0; i < argc; ++i) {
        unsigned32 code;
        if (!parse_code(argv[i], &code)) {
            std::fprintf(stderr, "zel errtext: '%s' is not a status code\n", argv[i]);
            result = 1;
            continue;
        }
        char text[ZEL_ERROR_TEXT_MAX];
        zel_error_inq_text(code, text, nullptr);
        std::printf("%s\n", text);
    }
    return result;
}
