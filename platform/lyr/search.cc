// Code-set-aware character length, search and case-blind comparison. In
// multibyte sets a trail byte may look like ASCII, so these walk the string
// character by character and only match at character boundaries.
#include "internal.h"
#include "utf8.h"

#include <cerrno>
#include <cstring>
#include <cwctype>

namespace {

bool plain_bytes(const lyr_cs &c) { return c.kind != lyr_cs::multi; }

// Multibyte sets here are ASCII-compatible: a byte below 0x80 at a character
// boundary is a whole character, found without asking iconv.
size_t next(lyr_cs &c, const char *p) {
    return static_cast<unsigned char>(*p) < 0x80 ? 1 : lyr::step(c, p);
}

locale_t c_locale() {
    static locale_t lc = newlocale(LC_ALL_MASK, "C", nullptr);
    return lc;
}

}  // namespace

extern "C" {

int lyr_mblen(lyr_cs_t cs, const char *s, size_t n) {
    if (!s) return 0;  // no shift states
    if (n == 0) return -1;
    if (*s == '\0') return 0;
    int len = lyr::char_len(*lyr::resolve(cs), s, n);
    if (len < 0) errno = EILSEQ;
    return len;
}

char *lyr_strchr(lyr_cs_t cs, const char *s, int c) {
    if (!s) return nullptr;
    lyr_cs *cset = lyr::resolve(cs);
    char ch = static_cast<char>(c);
    if (ch == '\0') return const_cast<char *>(s + strlen(s));
    // A byte of 0x80 and up is never a whole character in UTF-8.
    if (cset->kind == lyr_cs::utf8 && static_cast<unsigned char>(ch) >= 0x80) return nullptr;
    if (plain_bytes(*cset)) return const_cast<char *>(strchr(s, ch));
    for (const char *p = s; *p;) {
        size_t len = next(*cset, p);
        if (len == 1 && *p == ch) return const_cast<char *>(p);
        p += len;
    }
    return nullptr;
}

char *lyr_strrchr(lyr_cs_t cs, const char *s, int c) {
    if (!s) return nullptr;
    lyr_cs *cset = lyr::resolve(cs);
    char ch = static_cast<char>(c);
    if (ch == '\0') return const_cast<char *>(s + strlen(s));
    if (cset->kind == lyr_cs::utf8 && static_cast<unsigned char>(ch) >= 0x80) return nullptr;
    if (plain_bytes(*cset)) return const_cast<char *>(strrchr(s, ch));
    const char *last = nullptr;
    for (const char *p = s; *p;) {
        size_t len = next(*cset, p);
        if (len == 1 && *p == ch) last = p;
        p += len;
    }
    return const_cast<char *>(last);
}

char *lyr_strstr(lyr_cs_t cs, const char *s, const char *sought) {
    if (!s || !sought) return nullptr;
    if (!*sought) return const_cast<char *>(s);
    lyr_cs *cset = lyr::resolve(cs);
    if (cset->kind == lyr_cs::single) return const_cast<char *>(strstr(s, sought));
    if (cset->kind == lyr_cs::utf8) {
        // A match must not start on a continuation byte.
        for (const char *p = strstr(s, sought); p; p = strstr(p + 1, sought))
            if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) return const_cast<char *>(p);
        return nullptr;
    }
    size_t n = strlen(sought);
    for (const char *p = s; *p; p += next(*cset, p)) {
        if (strncmp(p, sought, n) != 0) continue;
        // It must also end on a character boundary.
        const char *q = p;
        while (q < p + n) q += next(*cset, q);
        if (q == p + n) return const_cast<char *>(p);
    }
    return nullptr;
}

// A null locale means the process locale; one that is not installed folds
// as the "C" locale does.
int lyr_strnicmp(lyr_cs_t cs, lyr_loc_t loc, const char *s1, const char *s2, size_t n) {
    if (!s1 || !s2) return s1 == s2 ? 0 : s1 ? 1 : -1;
    lyr_cs *cset = lyr::resolve(cs);
    locale_t lc = !loc ? LC_GLOBAL_LOCALE : loc->lc ? loc->lc : c_locale();
    size_t i = 0, j = 0;
    while (i < n && j < n) {
        unsigned char a = static_cast<unsigned char>(s1[i]), b = static_cast<unsigned char>(s2[j]);
        if (a == 0 || b == 0) return static_cast<int>(a) - static_cast<int>(b);
        int la, lb;
        long ca = lyr::decode_char(*cset, s1 + i, strnlen(s1 + i, n - i), &la);
        long cb = lyr::decode_char(*cset, s2 + j, strnlen(s2 + j, n - j), &lb);
        if (ca < 0 || cb < 0) {
            // Undecodable bytes (or a character cut by n) compare as bytes.
            if (a != b) return static_cast<int>(a) - static_cast<int>(b);
            ++i, ++j;
            continue;
        }
        long fa = static_cast<long>(towlower_l(static_cast<wint_t>(ca), lc));
        long fb = static_cast<long>(towlower_l(static_cast<wint_t>(cb), lc));
        if (fa != fb) return fa < fb ? -1 : 1;
        i += static_cast<size_t>(la);
        j += static_cast<size_t>(lb);
    }
    return 0;
}

}  // extern "C"
