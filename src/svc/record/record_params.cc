// The parameter lines of an XML message record: each conversion of the message
// text, in order, renders the next value of the argument list on its own line.
#include <zel/msg.h>
#include <zel/svc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmt/fmt_internal.h"
#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "svc/record/xml_text.h"

namespace zel {
namespace {

constexpr int kValueSize = 10000;  // "s" and "S" values, converted or not
constexpr int kWidthCap = static_cast<int>(kRecordWidthCap);
constexpr size_t kMaxSpec = 40;    // longer flag runs are not a conversion
const char kFlagChars[] = "01234567890.#*%";
const char kFailure[] = "(Failed to handle a data type in svcprintf, printPrefix())";

// A conversion's width and precision arguments ("*"), taken from the list
// ahead of its value so that the following parameters stay aligned; capped
// like written widths.
struct Stars {
    int count = 0;
    int value[2] = {0, 0};
};

int capped(int value) {
    return value > kWidthCap ? kWidthCap : value < -kWidthCap ? -kWidthCap : value;
}

// A value formatted into a buffer, then written into the CDATA section: the
// caps on widths, precisions and text values bound it by the buffer's size.
template <typename T>
void emit(FILE *stream, const char *format, const Stars &stars, T value) {
    char out[kValueSize + 1];
    int n;
    switch (stars.count) {
    case 0: n = std::snprintf(out, sizeof out, format, value); break;
    case 1: n = std::snprintf(out, sizeof out, format, stars.value[0], value); break;
    default: n = std::snprintf(out, sizeof out, format, stars.value[0], stars.value[1], value); break;
    }
    if (n < 0) return;
    size_t len = static_cast<size_t>(n) < sizeof out ? static_cast<size_t>(n) : sizeof out - 1;
    write_cdata(stream, out, len);
}

// The flag characters of a conversion with every number above the cap
// written as the cap, so that no text can ask for a huge field.
size_t cap_numbers(char *spec, size_t n) {
    char out[kMaxSpec + 4];
    char *o = out;
    for (const char *p = spec, *end = spec + n; p < end;) {
        if (*p < '1' || *p > '9') {
            *o++ = *p++;
        } else {
            p = copy_capped_number(p, end, &o);
        }
    }
    std::memcpy(spec, out, static_cast<size_t>(o - out));
    return static_cast<size_t>(o - out);
}

// A text value of at most max bytes, cut at a whole character of cs: the
// value itself, or (for a longer one) a copy in *copy, which the caller frees.
const char *bounded(lyr_cs_t cs, const char *text, size_t max, char **copy) {
    *copy = nullptr;
    size_t len = strnlen(text, max + 1);
    if (len <= max) return text;
    len = cut_at_character(cs, text, len, max);
    *copy = static_cast<char *>(std::malloc(len + 1));
    if (!*copy) return "";
    std::memcpy(*copy, text, len);
    (*copy)[len] = '\0';
    return *copy;
}

}  // namespace

void write_param_lines(FILE *stream, const char *text, bool convert, va_list args) {
    if (!text) return;
    va_list ap;
    va_copy(ap, args);
    lyr_cs_t local = zelsvc_get_local_code_page();
    const char *p = text;
    while ((p = lyr_strchr(local, p, '%')) != nullptr) {
        char spec[kMaxSpec + 4];
        size_t n = 0;
        spec[n++] = '%';
        int star_count = 0;
        const char *q = p + 1;
        for (; *q != '\0' && std::strchr(kFlagChars, *q); ++q) {
            if (n < kMaxSpec) spec[n] = *q;
            ++n;
            if (*q == '*') ++star_count;
        }
        bool usable = n < kMaxSpec && star_count <= 2;
        if (n > kMaxSpec) n = kMaxSpec;
        n = cap_numbers(spec, n);
        const char c = *q;
        const char d = c ? q[1] : '\0';
        // The conversion used, and the kind of argument it takes.
        enum { none, text_arg, wide_arg, int_arg, char_arg, double_arg, long_arg, ulong_arg,
               uint_arg } kind = none;
        const char *conv = "s";
        if (usable) {
            switch (c) {
            case 's': kind = text_arg; break;
            case 'd': kind = int_arg; conv = "d"; break;
            case 'c': kind = char_arg; conv = "c"; break;
            case 'f': kind = double_arg; conv = "f"; break;
            case 'l':
                if (d == 'd') kind = long_arg, conv = "ld";
                if (d == 'x') kind = ulong_arg, conv = "lx";
                break;
            case 'u': kind = uint_arg; conv = d == 'l' ? "ul" : "u"; break;
            case 'x': kind = uint_arg; conv = "x"; break;
            case 'o': kind = uint_arg; conv = "o"; break;
            case 'S': kind = wide_arg; break;
            default: break;
            }
        }
        if (kind == none) {
            n = 1;
            conv = "s";
        }
        std::memcpy(spec + n, conv, std::strlen(conv) + 1);

        Stars stars;
        if (kind != none) {
            stars.count = star_count;
            for (int i = 0; i < star_count; ++i) stars.value[i] = capped(va_arg(ap, int));
        }
        std::fputs("  <Param><![CDATA[", stream);  // each value is cleaned by emit
        switch (kind) {
        case none: emit(stream, spec, stars, kFailure); break;
        case text_arg: {
            const char *value = va_arg(ap, const char *);
            if (!value) value = "(null)";
            // At most kValueSize bytes of result, and room for the NUL after
            // them; a value that does not convert is written as it is (bad
            // bytes then show as U+FFFD). A third of that always converts.
            char *copy;
            value = bounded(local, value, kValueSize, &copy);
            char converted[kValueSize + 1];
            if (convert) {
                int used = lyr_to_utf8(local, value, std::strlen(value), converted, kValueSize);
                if (used < 1 && std::strlen(value) > kValueSize / 3) {
                    char *shorter;
                    const char *third = bounded(local, value, kValueSize / 3, &shorter);
                    used = lyr_to_utf8(local, third, std::strlen(third), converted, kValueSize);
                    std::free(shorter);
                }
                if (used > 0) {
                    converted[used] = '\0';
                    value = converted;
                }
            }
            emit(stream, spec, stars, value);
            std::free(copy);
            break;
        }
        case wide_arg: {
            const lyr_wchar_t *wide = va_arg(ap, const lyr_wchar_t *);
            char converted[kValueSize + 1];
            int used = wide ? lyr_from_ucs2(zel_svc_cs_utf8, wide, lyr_wcslen(wide), converted,
                                            kValueSize)
                            : 0;
            converted[used > 0 ? used : 0] = '\0';
            emit(stream, spec, stars, static_cast<const char *>(converted));
            break;
        }
        case int_arg: emit(stream, spec, stars, va_arg(ap, int)); break;
        case char_arg: emit(stream, spec, stars, va_arg(ap, int) & 0xFF); break;
        case double_arg:
            emit(stream, spec, stars, static_cast<double>(static_cast<float>(va_arg(ap, double))));
            break;
        case long_arg: emit(stream, spec, stars, va_arg(ap, long)); break;
        case ulong_arg: emit(stream, spec, stars, va_arg(ap, unsigned long)); break;
        case uint_arg: emit(stream, spec, stars, va_arg(ap, unsigned)); break;
        }
        std::fputs("]]></Param>\n", stream);
        if (c == '\0') break;
        p = q;  // the conversion character is skipped as an ordinary one
    }
    va_end(ap);
}

}  // namespace zel
