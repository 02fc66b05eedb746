// Code set handles: creation (classifying a set as UTF-8, single-byte or
// multibyte by test conversions), the default code set, and the conversion
// primitives to and from UTF-8 that everything else uses.
#include "internal.h"
#include "utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

lyr_cs::~lyr_cs() {
    if (to_u8 != reinterpret_cast<iconv_t>(-1)) iconv_close(to_u8);
    if (from_u8 != reinterpret_cast<iconv_t>(-1)) iconv_close(from_u8);
}

namespace lyr {
namespace {

const iconv_t kNoCd = reinterpret_cast<iconv_t>(-1);

std::atomic<lyr_cs *> g_default{nullptr};

lyr_cs &builtin_utf8() {
    static lyr_cs *cs = [] {
        auto *c = new lyr_cs;  // never freed: it must outlive every caller
        c->kind = lyr_cs::utf8;
        c->key = "UTF8";
        c->builtin = true;
        return c;
    }();
    return *cs;
}

std::string normalise(const char *name) {
    std::string key;
    for (const char *p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 'a' && c <= 'z')
            key += static_cast<char>(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            key += static_cast<char>(c);
    }
    return key;
}

// Converts all of src with cd, state reset first and flushed last.
// 0, or the errno of the failure (EILSEQ, EINVAL for a cut-short sequence).
int run_iconv(iconv_t cd, const char *src, size_t n, std::string &out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buf[256];
    char *in = const_cast<char *>(src);
    size_t inleft = n;
    bool flushing = false;
    for (;;) {
        char *o = buf;
        size_t oleft = sizeof buf;
        size_t r = flushing ? iconv(cd, nullptr, nullptr, &o, &oleft)
                            : iconv(cd, &in, &inleft, &o, &oleft);
        int err = r == static_cast<size_t>(-1) ? errno : 0;
        out.append(buf, static_cast<size_t>(o - buf));
        if (err == E2BIG) continue;
        if (err) return err;
        if (flushing) return 0;
        flushing = true;
    }
}

bool single_cp(const std::string &u8, uint32_t *cp) {
    return !u8.empty() && utf8_decode(u8.data(), u8.size(), cp) == static_cast<int>(u8.size());
}

// Fills the byte table; false when some byte starts a longer sequence or
// stands for more than one character, i.e. the set is not single-byte.
bool probe_single(lyr_cs &cs) {
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        std::string out;
        int err = run_iconv(cs.to_u8, &c, 1, out);
        uint32_t cp = 0;
        if (err == EILSEQ)
            cs.to_ucs[b] = lyr_cs::kNoChar;
        else if (err == 0 && single_cp(out, &cp))
            cs.to_ucs[b] = cp;
        else
            return false;
    }
    return cs.to_ucs[0] == 0;
}

// Fills the lead-byte table; false when a byte below 0x80 is not itself
// (an escape or shift byte of a stateful set such as ISO-2022 or HZ).
bool probe_multi(lyr_cs &cs) {
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        std::string out;
        int err = run_iconv(cs.to_u8, &c, 1, out);
        if (b < 0x80 && (err != 0 || out != std::string(1, c))) return false;
        cs.lead[b] = err == 0 ? 1 : err == EINVAL ? 0 : -1;
    }
    return true;
}

bool ascii_round_trip(lyr_cs &cs) {
    char ascii[127];
    for (int i = 0; i < 127; ++i) ascii[i] = static_cast<char>(i + 1);
    std::string there, back;
    return run_iconv(cs.to_u8, ascii, sizeof ascii, there) == 0 && there.size() == sizeof ascii &&
           memcmp(there.data(), ascii, sizeof ascii) == 0 &&
           run_iconv(cs.from_u8, ascii, sizeof ascii, back) == 0 && back == there;
}

}  // namespace

lyr_cs *make_cs(const char *name) {
    if (!name || !*name || strlen(name) > 64 || strpbrk(name, "/,")) {
        errno = EINVAL;
        return nullptr;
    }
    std::unique_ptr<lyr_cs> cs(new lyr_cs);
    cs->key = normalise(name);
    if (cs->key == "UTF8") return cs.release();

    cs->to_u8 = iconv_open("UTF-8", name);
    cs->from_u8 = iconv_open(name, "UTF-8");
    if (cs->to_u8 == kNoCd || cs->from_u8 == kNoCd) {
        errno = EINVAL;
        return nullptr;
    }
    if (probe_single(*cs)) {
        cs->kind = lyr_cs::single;
        for (int b = 0; b < 256; ++b) {
            if (cs->to_ucs[b] != lyr_cs::kNoChar)
                cs->from_ucs.emplace_back(cs->to_ucs[b], static_cast<unsigned char>(b));
            if (b < 0x80 && cs->to_ucs[b] != static_cast<uint32_t>(b)) cs->ascii = false;
        }
        // Where two bytes give one character, the lower byte is the encoding.
        std::stable_sort(cs->from_ucs.begin(), cs->from_ucs.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        iconv_close(cs->to_u8);
        iconv_close(cs->from_u8);
        cs->to_u8 = cs->from_u8 = kNoCd;
        return cs.release();
    }
    // Multibyte sets are only usable in NUL-terminated text when they are
    // ASCII-compatible and stateless; that rules out UTF-16, UTF-7, ISO-2022.
    if (!ascii_round_trip(*cs) || !probe_multi(*cs)) {
        errno = EINVAL;
        return nullptr;
    }
    cs->kind = lyr_cs::multi;
    return cs.release();
}

lyr_cs *resolve(lyr_cs_t cs) {
    if (cs) return cs;
    lyr_cs *d = g_default.load(std::memory_order_acquire);
    return d ? d : &builtin_utf8();
}

bool same_cs(const lyr_cs &a, const lyr_cs &b) {
    if (&a == &b) return true;
    if (a.kind != b.kind) return false;
    if (a.kind == lyr_cs::single) return a.to_ucs == b.to_ucs;
    return a.key == b.key;
}

bool to_utf8(lyr_cs &cs, const char *s, size_t n, std::string &out) {
    switch (cs.kind) {
    case lyr_cs::utf8:
        if (!utf8_valid(s, n)) return false;
        out.append(s, n);
        return true;
    case lyr_cs::single:
        for (size_t i = 0; i < n; ++i) {
            uint32_t cp = cs.to_ucs[static_cast<unsigned char>(s[i])];
            if (cp == lyr_cs::kNoChar) return false;
            char buf[4];
            out.append(buf, static_cast<size_t>(utf8_encode(cp, buf)));
        }
        return true;
    case lyr_cs::multi: break;
    }
    if (is_ascii(s, n)) {
        out.append(s, n);
        return true;
    }
    std::lock_guard<std::mutex> lock(cs.mu);
    return run_iconv(cs.to_u8, s, n, out) == 0;
}

bool from_utf8(lyr_cs &cs, const char *s, size_t n, std::string &out) {
    if (cs.kind == lyr_cs::utf8 || (cs.kind == lyr_cs::multi && is_ascii(s, n))) {
        if (!utf8_valid(s, n)) return false;
        out.append(s, n);
        return true;
    }
    if (cs.kind == lyr_cs::multi) {
        std::lock_guard<std::mutex> lock(cs.mu);
        return run_iconv(cs.from_u8, s, n, out) == 0;
    }
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        int len = utf8_decode(s + i, n - i, &cp);
        if (len < 0) return false;
        char c;
        if (encode_char(cs, cp, &c) != 1) return false;
        out += c;
        i += static_cast<size_t>(len);
    }
    return true;
}

int char_len(lyr_cs &cs, const char *s, size_t n) {
    if (n == 0) return -1;
    unsigned char b = static_cast<unsigned char>(s[0]);
    uint32_t cp = 0;
    switch (cs.kind) {
    case lyr_cs::utf8: return utf8_decode(s, n, &cp);
    case lyr_cs::single: return cs.to_ucs[b] == lyr_cs::kNoChar ? -1 : 1;
    case lyr_cs::multi: break;
    }
    if (cs.lead[b] != 0) return cs.lead[b];
    // A lead byte: the character is the shortest prefix iconv takes whole.
    std::lock_guard<std::mutex> lock(cs.mu);
    for (size_t k = 2; k <= n && k <= 8 && s[k - 1] != '\0'; ++k) {
        std::string out;
        int err = run_iconv(cs.to_u8, s, k, out);
        if (err == 0) return static_cast<int>(k);
        if (err != EINVAL) return -1;
    }
    return -1;
}

size_t step(lyr_cs &cs, const char *s) {
    unsigned char b = static_cast<unsigned char>(s[0]);
    if (cs.kind == lyr_cs::single || (b < 0x80 && cs.ascii)) return 1;
    int len = char_len(cs, s, strnlen(s, 8));
    return len > 0 ? static_cast<size_t>(len) : 1;
}

long decode_char(lyr_cs &cs, const char *s, size_t n, int *len) {
    *len = char_len(cs, s, n);
    if (*len < 0) return -1;
    unsigned char b = static_cast<unsigned char>(s[0]);
    if (cs.kind == lyr_cs::single) return cs.to_ucs[b];
    if (b < 0x80 && cs.ascii) return b;
    std::string u8;
    uint32_t cp = 0;
    if (!to_utf8(cs, s, static_cast<size_t>(*len), u8) ||
        utf8_decode(u8.data(), u8.size(), &cp) < 1)
        return -1;
    return static_cast<long>(cp);
}

int encode_char(lyr_cs &cs, uint32_t cp, char *out) {
    if (!is_scalar(cp)) return -1;
    if (cp < 0x80 && cs.ascii) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    switch (cs.kind) {
    case lyr_cs::utf8: return utf8_encode(cp, out);
    case lyr_cs::single: {
        auto it = std::lower_bound(cs.from_ucs.begin(), cs.from_ucs.end(), cp,
                                   [](const auto &e, uint32_t v) { return e.first < v; });
        if (it == cs.from_ucs.end() || it->first != cp) return -1;
        out[0] = static_cast<char>(it->second);
        return 1;
    }
    case lyr_cs::multi: break;
    }
    char u8[4];
    std::string enc;
    if (!from_utf8(cs, u8, static_cast<size_t>(utf8_encode(cp, u8)), enc) || enc.empty() ||
        enc.size() > 8)
        return -1;
    memcpy(out, enc.data(), enc.size());
    return static_cast<int>(enc.size());
}

}  // namespace lyr

extern "C" {

lyr_cs_t lyr_cs_new(const char *name) {
    try {
        return lyr::make_cs(name);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return nullptr;
    }
}

void lyr_cs_free(lyr_cs_t cs) {
    if (!cs || cs->builtin) return;
    // A freed default falls back to UTF-8 rather than dangling.
    lyr_cs *expected = cs;
    lyr::g_default.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
    delete cs;
}

lyr_cs_t lyr_get_def_cs(void) { return lyr::resolve(nullptr); }

void lyr_set_def_cs(lyr_cs_t cs) {
    lyr::g_default.store(cs && !cs->builtin ? cs : nullptr, std::memory_order_release);
}

}  // extern "C"
