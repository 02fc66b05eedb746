// zel errtext CODE...: describes status codes as the library's error text does.
#include <zel/zel.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "arguments.h"
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

const zeltool::Help zeltool::kErrtextHelp = {
    "zel errtext", "CODE...", "print the one-line description of each status code",
    "A code is hexadecimal after 0x, eight hexadecimal digits, hexadecimal\n"
    "when it holds a letter A-F, and decimal otherwise.",
    "zel errtext 0x3665A097 3665A0A2"};

// Every code is read before any is described: a wrong one describes none.
int zeltool::errtext(int argc, char **argv) {
    const char *name = kErrtextHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kErrtextHelp, &argc, &argv, &ended)) return ended;
    if (argc == 0) return usage_error(name, "no status code given");
    std::vector<unsigned32> codes(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        if (!parse_code(argv[i], &codes[i])) {
            return usage_error(name, "'%s' is not a status code", argv[i]);
        }
    }
    for (unsigned32 code : codes) {
        char text[ZEL_ERROR_TEXT_MAX];
        zel_error_inq_text(code, text, nullptr);
        std::printf("%s\n", text);
    }
    return finish(name, kDone);
}
