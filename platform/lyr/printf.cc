// Code-set-aware printf: the usual conversions with positional arguments,
// plus %S and %C for 16-bit wide text converted into the output code set.
// %n is refused: message formats come from catalogs, which are data.
#include "internal.h"
#include "utf8.h"

#include <sys/types.h>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <new>

namespace {

// How an argument is fetched from the va_list.
enum class Arg : unsigned char { none, i, l, ll, j, z, t, d, ld, p };

union Value {
    int i;
    long l;
    long long ll;
    intmax_t j;
    size_t z;
    ptrdiff_t t;
    double d;
    long double ld;
    const void *p;
};

enum class Len : unsigned char { none, hh, h, l, ll, L, j, z, t };

struct Conversion {
    const char *lit = nullptr;  // literal text before the conversion
    size_t lit_len = 0;
    char conv = 0;  // 0: literal only
    std::string flags;
    int width = 0, width_arg = 0;  // width_arg: argument index of '*'
    int prec = -1, prec_arg = 0;   // -1: no precision
    Len len = Len::none;
    int arg = 0;  // argument index of the value (1-based)
};

constexpr int kMaxArgs = 4096;

class Parser {
public:
    explicit Parser(const char *fmt) : p_(fmt) {}

    // 0, or the errno that fails the whole call.
    int run(std::vector<Conversion> &conversions, std::vector<Arg> &types) {
        types_ = &types;
        while (*p_) {
            Conversion s;
            s.lit = p_;
            while (*p_ && *p_ != '%') ++p_;
            s.lit_len = static_cast<size_t>(p_ - s.lit);
            if (*p_ == '%' && p_[1] == '%') {
                ++s.lit_len;  // keep one '%' as text
                p_ += 2;
            } else if (*p_ == '%') {
                ++p_;
                if (int err = directive(s)) return err;
            }
            conversions.push_back(std::move(s));
        }
        for (size_t i = 1; i < types.size(); ++i)
            if (types[i] == Arg::none) return EINVAL;  // a positional argument never named
        return 0;
    }

private:
    int number(int *out) {
        long long v = 0;
        while (*p_ >= '0' && *p_ <= '9') {
            v = v * 10 + (*p_++ - '0');
            if (v > INT_MAX) return EOVERFLOW;
        }
        *out = static_cast<int>(v);
        return 0;
    }

    // Optional "n$" after a '%' or '*'; 0 when absent.
    int position(int *pos) {
        *pos = 0;
        const char *q = p_;
        long long v = 0;
        while (*q >= '0' && *q <= '9' && v <= kMaxArgs) v = v * 10 + (*q++ - '0');
        if (q == p_ || *q != '$') return 0;
        if (v < 1 || v > kMaxArgs) return EINVAL;
        *pos = static_cast<int>(v);
        p_ = q + 1;
        return 0;
    }

    // The argument index for a value; positional and sequential may not mix.
    int take(int pos, Arg type, int *index) {
        int &mode = mode_;
        if (pos) {
            if (mode == 2) return EINVAL;
            mode = 1;
            *index = pos;
        } else {
            if (mode == 1) return EINVAL;
            mode = 2;
            if (++next_ > kMaxArgs) return EINVAL;
            *index = next_;
        }
        auto &t = *types_;
        if (t.size() <= static_cast<size_t>(*index))
            t.resize(static_cast<size_t>(*index) + 1, Arg::none);
        if (t[*index] != Arg::none && t[*index] != type) return EINVAL;
        t[*index] = type;
        return 0;
    }

    int star(int *index) {
        int pos, err;
        if ((err = position(&pos))) return err;
        return take(pos, Arg::i, index);
    }

    int directive(Conversion &s) {
        int pos, err;
        if ((err = position(&pos))) return err;
        while (*p_ && strchr("-+ #0'", *p_)) s.flags += *p_++;
        if (*p_ == '*') {
            ++p_;
            if ((err = star(&s.width_arg))) return err;
        } else if ((err = number(&s.width))) {
            return err;
        }
        if (*p_ == '.') {
            ++p_;
            if (*p_ == '*') {
                ++p_;
                if ((err = star(&s.prec_arg))) return err;
            } else if ((err = number(&s.prec))) {
                return err;
            }
        }
        s.len = length();
        s.conv = *p_;
        if (!s.conv) return EINVAL;
        ++p_;
        Arg type = arg_type(s);
        if (type == Arg::none) return EINVAL;
        return take(pos, type, &s.arg);
    }

    Len length() {
        switch (*p_) {
        case 'h': return *++p_ == 'h' ? (++p_, Len::hh) : Len::h;
        case 'l': return *++p_ == 'l' ? (++p_, Len::ll) : Len::l;
        case 'L':
        case 'q': ++p_; return Len::L;
        case 'j': ++p_; return Len::j;
        case 'z':
        case 'Z': ++p_; return Len::z;
        case 't': ++p_; return Len::t;
        default: return Len::none;
        }
    }

    static Arg arg_type(const Conversion &s) {
        switch (s.conv) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            switch (s.len) {
            case Len::none:
            case Len::hh:
            case Len::h: return Arg::i;
            case Len::l: return Arg::l;
            case Len::ll:
            case Len::L: return Arg::ll;
            case Len::j: return Arg::j;
            case Len::z: return Arg::z;
            case Len::t: return Arg::t;
            }
            return Arg::none;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            return s.len == Len::L                         ? Arg::ld
                   : s.len == Len::none || s.len == Len::l ? Arg::d
                                                           : Arg::none;
        case 'c': return s.len == Len::none || s.len == Len::l ? Arg::i : Arg::none;
        case 'C': return s.len == Len::none ? Arg::i : Arg::none;
        case 's': return s.len == Len::none || s.len == Len::l ? Arg::p : Arg::none;
        case 'S':
        case 'p': return s.len == Len::none ? Arg::p : Arg::none;
        default:  // includes 'n', never honoured
            return Arg::none;
        }
    }

    const char *p_;
    std::vector<Arg> *types_ = nullptr;
    int mode_ = 0;  // 1 positional, 2 sequential
    int next_ = 0;
};

void fetch(std::vector<Value> &vals, const std::vector<Arg> &types, va_list *ap) {
    vals.resize(types.size());
    for (size_t i = 1; i < types.size(); ++i) {
        Value &v = vals[i];
        switch (types[i]) {
        case Arg::i: v.i = va_arg(*ap, int); break;
        case Arg::l: v.l = va_arg(*ap, long); break;
        case Arg::ll: v.ll = va_arg(*ap, long long); break;
        case Arg::j: v.j = va_arg(*ap, intmax_t); break;
        case Arg::z: v.z = va_arg(*ap, size_t); break;
        case Arg::t: v.t = va_arg(*ap, ptrdiff_t); break;
        case Arg::d: v.d = va_arg(*ap, double); break;
        case Arg::ld: v.ld = va_arg(*ap, long double); break;
        case Arg::p: v.p = va_arg(*ap, const void *); break;
        case Arg::none: break;
        }
    }
}

__attribute__((format(printf, 2, 3))) int appendf(std::string &out, const char *f, ...) {
    va_list ap, again;
    va_start(ap, f);
    va_copy(again, ap);
    char small[128];
    int n = vsnprintf(small, sizeof small, f, ap);
    va_end(ap);
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        size_t old = out.size();
        out.resize(old + static_cast<size_t>(n) + 1);
        vsnprintf(&out[old], static_cast<size_t>(n) + 1, f, again);
        out.resize(old + static_cast<size_t>(n));
    }
    va_end(again);
    return n < 0 ? EOVERFLOW : 0;
}

intmax_t signed_value(const Conversion &s, const Value &v) {
    switch (s.len) {
    case Len::hh: return static_cast<signed char>(v.i);
    case Len::h: return static_cast<short>(v.i);
    case Len::l: return v.l;
    case Len::ll:
    case Len::L: return v.ll;
    case Len::j: return v.j;
    case Len::z: return static_cast<ssize_t>(v.z);
    case Len::t: return v.t;
    case Len::none: break;
    }
    return v.i;
}

uintmax_t unsigned_value(const Conversion &s, const Value &v) {
    switch (s.len) {
    case Len::hh: return static_cast<unsigned char>(v.i);
    case Len::h: return static_cast<unsigned short>(v.i);
    case Len::l: return static_cast<unsigned long>(v.l);
    case Len::ll:
    case Len::L: return static_cast<unsigned long long>(v.ll);
    case Len::j: return static_cast<uintmax_t>(v.j);
    case Len::z: return v.z;
    case Len::t: return static_cast<size_t>(v.t);
    case Len::none: break;
    }
    return static_cast<unsigned>(v.i);
}

int pad(std::string &out, const std::string &text, int width, bool left) {
    size_t fill = width > 0 && static_cast<size_t>(width) > text.size()
                      ? static_cast<size_t>(width) - text.size()
                      : 0;
    if (uint64_t{out.size()} + fill + text.size() > INT_MAX) return EOVERFLOW;
    if (!left) out.append(fill, ' ');
    out += text;
    if (left) out.append(fill, ' ');
    return 0;
}

// Length of the longest run of whole characters in the first len bytes of s.
size_t whole_chars(lyr_cs &cs, const char *s, size_t len) {
    if (cs.kind == lyr_cs::single) return len;
    size_t i = 0;
    while (i < len) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        int l = b < 0x80 ? 1 : lyr::char_len(cs, s + i, len - i);
        if (l < 0 && len - i < 8) break;  // a character cut by the precision
        i += l > 0 ? static_cast<size_t>(l) : 1;
    }
    return i;
}

int wide_text(lyr_cs &cs, const lyr_wchar_t *ws, int prec, std::string &text) {
    for (; *ws; ++ws) {
        if (prec >= 0 && text.size() == static_cast<size_t>(prec)) break;
        char buf[8];
        int len = lyr::encode_char(cs, *ws, buf);
        if (len < 0) return EILSEQ;
        if (prec >= 0 && text.size() + static_cast<size_t>(len) > static_cast<size_t>(prec)) break;
        text.append(buf, static_cast<size_t>(len));
    }
    return 0;
}

int render(lyr_cs &cs, const Conversion &s, const std::vector<Value> &vals, std::string &out) {
    int width = s.width, prec = s.prec;
    std::string flags = s.flags;
    if (s.width_arg) {
        width = vals[s.width_arg].i;
        if (width == INT_MIN) return EOVERFLOW;
        if (width < 0) flags += '-', width = -width;
    }
    if (s.prec_arg) prec = vals[s.prec_arg].i < 0 ? -1 : vals[s.prec_arg].i;
    bool left = flags.find('-') != std::string::npos;
    const Value &v = vals[s.arg];
    bool wide = s.conv == 'S' || s.conv == 'C' || s.len == Len::l;
    std::string text;

    switch (s.conv) {
    case 's':
    case 'S':
        if (!v.p) {
            text = prec < 0 || prec >= 6 ? "(null)" : "";
        } else if (wide) {
            if (int err = wide_text(cs, static_cast<const lyr_wchar_t *>(v.p), prec, text))
                return err;
        } else {
            const char *str = static_cast<const char *>(v.p);
            size_t len = prec < 0 ? strlen(str) : strnlen(str, static_cast<size_t>(prec));
            if (prec >= 0 && len == static_cast<size_t>(prec)) len = whole_chars(cs, str, len);
            text.assign(str, len);
        }
        return pad(out, text, width, left);
    case 'c':
    case 'C':
        if (wide) {
            char buf[8];
            int len = lyr::encode_char(cs, static_cast<lyr_wchar_t>(v.i), buf);
            if (len < 0) return EILSEQ;
            text.assign(buf, static_cast<size_t>(len));
        } else {
            text.assign(1, static_cast<char>(static_cast<unsigned char>(v.i)));
        }
        return pad(out, text, width, left);
    default: break;
    }

    // Numbers are laid out by the C library; the result is ASCII.
    if (uint64_t{out.size()} + static_cast<uint64_t>(width) +
            static_cast<uint64_t>(prec < 0 ? 0 : prec) + 64 >
        INT_MAX)
        return EOVERFLOW;
    std::string f = "%" + flags + "*" + (prec >= 0 ? ".*" : "");
    switch (s.conv) {
    case 'd':
    case 'i':
        f += "j", f += s.conv;
        return prec >= 0 ? appendf(out, f.c_str(), width, prec, signed_value(s, v))
                         : appendf(out, f.c_str(), width, signed_value(s, v));
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        f += "j", f += s.conv;
        return prec >= 0 ? appendf(out, f.c_str(), width, prec, unsigned_value(s, v))
                         : appendf(out, f.c_str(), width, unsigned_value(s, v));
    case 'p':
        f += 'p';
        return prec >= 0 ? appendf(out, f.c_str(), width, prec, v.p)
                         : appendf(out, f.c_str(), width, v.p);
    default: break;
    }
    if (s.len == Len::L) {
        f += "L", f += s.conv;
        return prec >= 0 ? appendf(out, f.c_str(), width, prec, v.ld)
                         : appendf(out, f.c_str(), width, v.ld);
    }
    f += s.conv;
    return prec >= 0 ? appendf(out, f.c_str(), width, prec, v.d)
                     : appendf(out, f.c_str(), width, v.d);
}

// Text of the plain shape kept on the stack: message texts are short, and a
// log record should not cost an allocation. Longer texts take the general
// road with a growing string.
struct StackText {
    char bytes[512];
    size_t size = 0;
    bool overflow = false;

    void append(const char *p, size_t n) {
        if (overflow || n > sizeof bytes - size) {
            overflow = true;
            return;
        }
        memcpy(bytes + size, p, n);
        size += n;
    }
    void append(const char *p) { append(p, strlen(p)); }
};

struct StringText {
    std::string &out;
    void append(const char *p, size_t n) { out.append(p, n); }
    void append(const char *p) { out.append(p); }
};

// Appends the digits of v in base 10 or 16.
template <typename Text>
void append_number(Text &out, unsigned long long v, bool negative, char conv) {
    char digits[24];
    char *end = digits + sizeof digits;
    char *q = end;
    if (conv == 'x' || conv == 'X') {
        const char *set = conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        do {
            *--q = set[v & 15];
            v >>= 4;
        } while (v != 0);
    } else {
        do {  // a constant divisor: no division instruction
            *--q = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
    }
    if (negative) *--q = '-';
    out.append(q, static_cast<size_t>(end - q));
}

// The plain shape (only bare "%s", "%%", and "%d", "%i", "%u", "%x", "%X"
// with at most an "l": the usual message text) in one pass, straight from
// the argument list; the result is what the general path gives for the same
// format. False, with a partial text, at the first conversion that is not of
// the plain shape.
template <typename Text>
bool format_plain(const char *fmt, va_list ap, Text &out) {
    va_list args;
    va_copy(args, ap);
    bool plain = true;
    for (const char *p = fmt;;) {
        const char *percent = strchr(p, '%');
        if (!percent) {
            out.append(p);
            break;
        }
        out.append(p, static_cast<size_t>(percent - p));
        p = percent + 1;
        char conv = *p++;
        if (conv == '%') {
            out.append("%", 1);
            continue;
        }
        if (conv == 's') {
            const char *text = va_arg(args, const char *);
            out.append(text ? text : "(null)");
            continue;
        }
        bool is_long = conv == 'l';
        if (is_long) conv = *p++;
        if (conv == 'd' || conv == 'i') {
            long long v = is_long ? va_arg(args, long) : va_arg(args, int);
            append_number(out, v < 0 ? 0ull - static_cast<unsigned long long>(v) : v, v < 0, conv);
        } else if (conv == 'u' || conv == 'x' || conv == 'X') {
            unsigned long long v = is_long ? va_arg(args, unsigned long) : va_arg(args, unsigned);
            append_number(out, v, false, conv);
        } else {
            plain = false;
            break;
        }
    }
    va_end(args);
    return plain;
}

// A plain format whose text fits on the stack; false when the format is not
// plain or the text is longer.
bool format_plain_on_stack(lyr_cs_t cs, int flags, const char *fmt, va_list ap, StackText &out) {
    if (flags != 0 || !fmt || !lyr::resolve(cs)->ascii) return false;
    return format_plain(fmt, ap, out) && !out.overflow;
}

// Formats everything before anything is written, so a bad format or %n
// anywhere fails the call without output.
int format(lyr_cs_t cs, int flags, const char *fmt, va_list ap, std::string &out) {
    if (flags != 0 || !fmt) return EINVAL;
    lyr_cs *cset = lyr::resolve(cs);
    if (!cset->ascii) return EINVAL;  // directives and digits are ASCII
    StringText text{out};
    if (format_plain(fmt, ap, text)) return out.size() > INT_MAX ? EOVERFLOW : 0;
    out.clear();  // not of the plain shape: the general road starts again
    std::vector<Conversion> conversions;
    std::vector<Arg> types(1, Arg::none);
    if (int err = Parser(fmt).run(conversions, types)) return err;
    std::vector<Value> vals;
    va_list copy;
    va_copy(copy, ap);
    fetch(vals, types, &copy);
    va_end(copy);
    for (const Conversion &s : conversions) {
        out.append(s.lit, s.lit_len);
        if (s.conv)
            if (int err = render(*cset, s, vals, out)) return err;
        if (out.size() > INT_MAX) return EOVERFLOW;
    }
    return 0;
}

int run(lyr_cs_t cs, int flags, const char *fmt, va_list ap, std::string &out) {
    try {
        return format(cs, flags, fmt, ap, out);
    } catch (const std::bad_alloc &) {
        return ENOMEM;
    }
}

}  // namespace

extern "C" {

// Writes exactly the bytes reported plus a NUL; on failure only a NUL.
int lyr_vsprintf(lyr_cs_t cs, int flags, char *buf, const char *fmt, va_list ap) {
    if (!buf) {
        errno = EINVAL;
        return -1;
    }
    StackText text;
    if (format_plain_on_stack(cs, flags, fmt, ap, text)) {
        memcpy(buf, text.bytes, text.size);
        buf[text.size] = '\0';
        return static_cast<int>(text.size);
    }
    std::string out;
    if (int err = run(cs, flags, fmt, ap, out)) {
        buf[0] = '\0';
        errno = err;
        return -1;
    }
    memcpy(buf, out.c_str(), out.size() + 1);
    return static_cast<int>(out.size());
}

int lyr_vfprintf(lyr_cs_t cs, int flags, FILE *stream, const char *fmt, va_list ap) {
    if (!stream) {
        errno = EINVAL;
        return -1;
    }
    StackText text;
    if (format_plain_on_stack(cs, flags, fmt, ap, text)) {
        if (fwrite(text.bytes, 1, text.size, stream) != text.size) return -1;
        return static_cast<int>(text.size);
    }
    std::string out;
    if (int err = run(cs, flags, fmt, ap, out)) {
        errno = err;
        return -1;
    }
    if (fwrite(out.data(), 1, out.size(), stream) != out.size()) return -1;
    return static_cast<int>(out.size());
}

}  // extern "C"
