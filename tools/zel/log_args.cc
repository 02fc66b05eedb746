// Reads the conversions of a message text with the formatting engine's own
// scanner and turns the command's words into values of the matching types.
#include "log_args.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "conversions.h"
#include "fmt/conversion_scan.h"
#include "fmt/fmt_internal.h"

namespace zeltool {
namespace {

struct Conversion {
    std::string length;  // "", "h" or "l"
    char letter;
};

// The conversions of text in order, read as the formatting engine reads them;
// false with a reason at one the command cannot fill from a word.
bool read_conversions(const char *text, std::vector<Conversion> *out, std::string *why) {
    std::vector<zel_fmt_conv> read;
    const char *bad = nullptr;
    for (const char *p = std::strchr(text, '%'); p; p = std::strchr(p, '%')) {
        zel_fmt_conv conv;
        if (!zel::scan_conversion(p, &conv)) {
            if (!bad) bad = p;
            ++p;
            continue;
        }
        read.push_back(conv);
        p = conv.end;
    }
    // Positional arguments are reported first: no word order could fill them.
    for (const zel_fmt_conv &conv : read) {
        if (conv.flags & (zel::kFlagValueNum | zel::kFlagWidthArgNum | zel::kFlagPrecArgNum)) {
            *why = "positional conversions are not supported";
            return false;
        }
    }
    if (bad) {
        *why = "conversion '" + std::string(bad, rejected_end(bad)) + "' is not supported";
        return false;
    }
    constexpr unsigned32 kAnyLength = zel::kFlagShort | zel::kFlagLong | zel::kFlagLongLong;
    for (const zel_fmt_conv &conv : read) {
        if (conv.type == zel::kTypePercent) continue;
        std::string conversion(conv.start, conv.end);
        if (conv.flags & (zel::kFlagWidthArg | zel::kFlagPrecArg)) {
            *why = "conversion '" + conversion + "' takes more than one value";
            return false;
        }
        bool integer = conv.type >= zel::kTypeShort && conv.type <= zel::kTypeULong;
        bool plain = (conv.type == zel::kTypeChar || conv.type == zel::kTypeString) &&
                     !(conv.flags & kAnyLength);
        if (!integer && !plain) {
            *why = "conversion '" + conversion + "' is not supported";
            return false;
        }
        Conversion c;
        c.length = conv.flags & zel::kFlagShort ? "h" : conv.flags & zel::kFlagLong ? "l" : "";
        c.letter = conv.end[-1];
        out->push_back(c);
    }
    return true;
}

bool read_number(const char *word, const Conversion &c, LogArg *arg) {
    bool is_signed = c.letter == 'd' || c.letter == 'i';
    int base = c.letter == 'x' || c.letter == 'X' ? 16 : c.letter == 'o' ? 8 : 10;
    if (*word == '\0' || std::strchr(" \t\n", *word)) return false;
    if (!is_signed && (*word == '-' || *word == '+')) return false;
    char *end = nullptr;
    errno = 0;
    long long min, max;
    if (c.length == "l") {
        min = is_signed ? LONG_MIN : 0;
        max = is_signed ? LONG_MAX : 0;  // unsigned long: checked below
    } else if (c.length == "h") {
        min = is_signed ? SHRT_MIN : 0;
        max = is_signed ? SHRT_MAX : USHRT_MAX;
    } else {
        min = is_signed ? INT_MIN : 0;
        max = is_signed ? INT_MAX : UINT_MAX;
    }
    if (is_signed) {
        long long value = std::strtoll(word, &end, base);
        if (errno || *end || value < min || value > max) return false;
        arg->number = value;
    } else {
        unsigned long long value = std::strtoull(word, &end, base);
        // Unsigned long on 64-bit targets goes beyond long long: kept as bits.
        bool too_big =
            c.length == "l" ? value > ULONG_MAX : value > static_cast<unsigned long long>(max);
        if (errno || *end || too_big) return false;
        arg->number = static_cast<long long>(value);
    }
    if (c.length == "l")
        arg->kind = is_signed ? LogArg::long_value : LogArg::ulong_value;
    else
        arg->kind = is_signed ? LogArg::int_value : LogArg::uint_value;
    return true;
}

}  // namespace

bool match_log_args(const char *text, int argc, char **argv, std::vector<LogArg> *args,
                    std::string *argtypes, std::string *why) {
    std::vector<Conversion> conversions;
    if (!read_conversions(text, &conversions, why)) return false;
    if (conversions.size() != static_cast<size_t>(argc)) {
        *why = "the message takes " + std::to_string(conversions.size()) + " argument(s), " +
               std::to_string(argc) + " given";
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        const Conversion &c = conversions[i];
        LogArg arg{LogArg::text};
        if (c.letter == 's') {
            arg.str = argv[i];
        } else if (c.letter == 'c') {
            if (std::strlen(argv[i]) != 1) {
                *why = "argument " + std::to_string(i + 1) + " must be one character";
                return false;
            }
            arg.kind = LogArg::int_value;
            arg.number = static_cast<unsigned char>(argv[i][0]);
        } else if (!read_number(argv[i], c, &arg)) {
            *why = "argument " + std::to_string(i + 1) + " ('" + argv[i] +
                   "') is not a value of %" + c.length + c.letter;
            return false;
        }
        args->push_back(arg);
        *argtypes += "%" + c.length + c.letter;
    }
    return true;
}

bool parse_code(const char *text, unsigned32 *code) {
    int base = 10;
    const char *digits = text;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits += 2;
        base = 16;
    } else if (std::strlen(digits) == 8) {
        base = 16;
    }
    const char *allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    size_t length = std::strlen(digits);
    if (length == 0 || std::strspn(digits, allowed) != length) return false;
    errno = 0;
    unsigned long long value = std::strtoull(digits, nullptr, base);
    if (errno == ERANGE || value > 0xFFFFFFFFull) return false;
    *code = static_cast<unsigned32>(value);
    return true;
}

}  // namespace zeltool
