// Fuzz target of the formatting engine: an arbitrary format is parsed and
// numbered, its argument slots are filled from the input's bytes, and it is
// rendered to measure, into a buffer of a random size and in full. A format
// of up to three arguments is also formatted through zel_snprintf_cs from a
// real argument list, and as a record's text straight from the list, which
// must say the same as the parsed passes.
//
// Input: two bytes of buffer size and code-set choice, the format up to the
// first NUL, then the argument bytes.
#include <zel/fmt.h>

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fmt/fmt_internal.h"

namespace {

class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint64_t take(size_t n) {
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v = v << 8 | (pos_ < size_ ? data_[pos_++] : 0);
        return v;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// Floating conversions pad in the system's printf, which takes time in
// proportion to the width: keep widths and precisions of those formats small.
bool formats_floats(const std::string &format) {
    return format.find_first_of("eEfgG") != std::string::npos;
}

bool has_long_number(const std::string &format) {
    int run = 0;
    for (char c : format) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        if (run > 4) return true;
    }
    return false;
}

// What fetching a value from an argument list keeps of it: the slot's type
// decides, whichever conversion later renders the slot.
uint64_t as_fetched(int type, uint64_t v) {
    switch (type) {
    case zel::kTypeChar: return static_cast<unsigned char>(v);
    case zel::kTypeWideChar:
    case zel::kTypeUShort: return static_cast<uint16_t>(v);
    case zel::kTypeShort:
        return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int16_t>(v)));
    case zel::kTypeInt: return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(v)));
    case zel::kTypeUInt: return static_cast<uint32_t>(v);
    case zel::kTypeLong: return static_cast<uint64_t>(static_cast<int64_t>(static_cast<long>(v)));
    case zel::kTypeULong: return static_cast<unsigned long>(v);
    default: return v;
    }
}

void fill_slots(zel_fmt_ctx *ctx, int highest, Bytes &bytes, bool small_ints,
                std::vector<std::vector<lyr_wchar_t>> &strings) {
    for (int n = 1; n <= highest; ++n) {
        zel_fmt_arg &slot = ctx->args[n];
        switch (slot.type) {
        case zel::kTypeString:
        case zel::kTypeWideString:
        case zel::kTypePointer: {
            size_t len = bytes.take(1);
            if (len % 8 == 0) {
                slot.value.p = nullptr;
                break;
            }
            // Ends in a 0 unit, so that it is terminated read as bytes or as units.
            std::vector<lyr_wchar_t> s(len / 2 + 1, 0);
            for (size_t i = 0; i + 1 < s.size(); ++i)
                s[i] = static_cast<lyr_wchar_t>(bytes.take(2));
            strings.push_back(std::move(s));
            slot.value.p = strings.back().data();
            break;
        }
        case zel::kTypeExp:
        case zel::kTypeFixed:
        case zel::kTypeGeneral:
        case zel::kTypeLongExp:
        case zel::kTypeLongFixed:
        case zel::kTypeLongGeneral: {
            uint64_t bits = bytes.take(8);
            double d;
            memcpy(&d, &bits, sizeof d);
            if (slot.type >= zel::kTypeLongExp) {
                slot.value.ld = d;
            } else {
                slot.value.d = d;
            }
            break;
        }
        case zel::kTypePercent: break;
        default: {
            uint64_t v = bytes.take(8);
            if (small_ints)
                v = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(v) % 100000));
            slot.value.u = as_fetched(slot.type, v);
            break;
        }
        }
    }
}

constexpr int kListArguments = 3;

// zel_snprintf_cs with the values of slots n..highest appended to `a`, each
// at the C type its conversion reads; a "%%" slot passes nothing.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
int record_text(char *buf, int size, lyr_cs_t cs, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = zel::fmt_direct_record(buf, size, cs, format, args);
    va_end(args);
    return n;
}

// The same for a record's text made straight from the list when `record`.
template <typename... A>
int from_list(const zel_fmt_ctx &ctx, bool record, int n, int highest, char *buf, int size,
              A... a) {
    if (n > highest)
        return record ? record_text(buf, size, ctx.cs, ctx.format, a...)
                      : zel_snprintf_cs(buf, size, ctx.cs, ctx.format, a...);
    if constexpr (sizeof...(A) < kListArguments) {
        const zel_fmt_arg &s = ctx.args[n];
        auto next = [&](auto v) {
            return from_list(ctx, record, n + 1, highest, buf, size, a..., v);
        };
        switch (s.type) {
        case zel::kTypePercent: return from_list(ctx, record, n + 1, highest, buf, size, a...);
        case zel::kTypeString:
        case zel::kTypeWideString:
        case zel::kTypePointer: return next(s.value.p);
        case zel::kTypeLong:
        case zel::kTypeULong: return next(static_cast<long>(s.value.u));
        case zel::kTypeLongLong:
        case zel::kTypeULongLong: return next(static_cast<long long>(s.value.u));
        case zel::kTypeExp:
        case zel::kTypeFixed:
        case zel::kTypeGeneral: return next(s.value.d);
        case zel::kTypeLongExp:
        case zel::kTypeLongFixed:
        case zel::kTypeLongGeneral: return next(s.value.ld);
        default: return next(static_cast<int>(s.value.u));
        }
    }
    abort();  // the caller keeps to kListArguments
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // UTF-8 and Latin-1; EBCDIC, a multibyte set and a national ASCII variant
    // that lacks some ASCII characters.
    static lyr_cs_t sets[] = {lyr_cs_new("UTF8"), lyr_cs_new("IBM037"), lyr_cs_new("EUC-JP"),
                              lyr_cs_new("ISO646-DE")};
    static lyr_cs_t latin1 = lyr_cs_new("ISO-8859-1");
    if (size < 2) return 0;
    int bufsize = (data[0] | (data[1] & 0x3) << 8);  // 0..1023
    lyr_cs_t cs = data[1] & 0x80 ? latin1 : sets[data[1] >> 2 & 3];
    data += 2;
    size -= 2;
    const uint8_t *nul = static_cast<const uint8_t *>(memchr(data, 0, size));
    size_t format_len = nul ? static_cast<size_t>(nul - data) : size;
    std::string format(reinterpret_cast<const char *>(data), format_len);
    bool floats = formats_floats(format);
    if (floats && has_long_number(format)) return 0;
    Bytes bytes(data + format_len, size - format_len);

    zel_fmt_ctx ctx;
    int highest;
    if (zel::fmt_scan(&ctx, cs, format.c_str(), &highest) != 0) return 0;
    std::vector<std::vector<lyr_wchar_t>> strings;
    strings.reserve(static_cast<size_t>(highest) + 1);
    fill_slots(&ctx, highest, bytes, floats, strings);

    int n = zel_vsnprintf_render(&ctx, nullptr, 0);
    // An exact heap allocation, so that any write past the size is caught.
    char *buf = static_cast<char *>(malloc(bufsize ? static_cast<size_t>(bufsize) : 1));
    int m = zel_vsnprintf_render(&ctx, bufsize ? buf : nullptr, bufsize);
    if (m != n) abort();
    // Huge widths give texts of gigabytes: compare the prefix only below 1 MiB.
    if (n >= 0 && n < (1 << 20)) {
        std::string full(static_cast<size_t>(n) + 1, '\0');
        if (zel_vsnprintf_render(&ctx, &full[0], n + 1) != n) abort();
        // What a short buffer holds is a terminated prefix of the full text.
        if (bufsize > 0) {
            size_t got = strnlen(buf, static_cast<size_t>(bufsize));
            if (got == static_cast<size_t>(bufsize) || memcmp(buf, full.data(), got) != 0) abort();
        }
    }
    if (highest <= kListArguments) {
        if (from_list(ctx, false, 1, highest, nullptr, 0) != n) abort();
        char *direct = static_cast<char *>(malloc(bufsize ? static_cast<size_t>(bufsize) : 1));
        if (from_list(ctx, false, 1, highest, bufsize ? direct : nullptr, bufsize) != m) abort();
        size_t text = bufsize > 0 ? strnlen(buf, static_cast<size_t>(bufsize)) : 0;
        if (bufsize > 0 &&
            memcmp(direct, buf, text < static_cast<size_t>(bufsize) ? text + 1 : text) != 0)
            abort();
        free(direct);
        // A record's text made straight from the list is the parsed record
        // text, whenever the straight way takes the format.
        if (bufsize > 0) {
            std::string parsed(static_cast<size_t>(bufsize), '\0'), straight = parsed;
            int want = zel::fmt_render_record(&ctx, &parsed[0], bufsize);
            int got = from_list(ctx, true, 1, highest, &straight[0], bufsize);
            if (got != zel::kUseContext && (got != want || (want >= 0 && parsed != straight)))
                abort();
        }
    }
    free(buf);
    zel_vsnprintf_done(&ctx);
    return 0;
}
