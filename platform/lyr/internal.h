// Shared internals of libjrnmsg: the code set and locale handles and the
// conversion primitives (every conversion pivots through UTF-8) that the
// exported operations are built on.
#ifndef JRNMSG_INTERNAL_H
#define JRNMSG_INTERNAL_H

#include <jrnmsg/lyr.h>

#include <iconv.h>
#include <locale.h>
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A code set. UTF-8 is handled natively; single-byte sets are turned into a
// table at creation, so they need no iconv afterwards; other (multibyte) sets
// keep two iconv descriptors, which are not thread-safe and so are guarded by
// the handle's mutex. Bytes below 0x80 of ASCII-compatible sets never reach iconv.
struct lyr_cs {
    enum Kind { utf8, single, multi };
    static constexpr uint32_t kNoChar = 0xFFFFFFFF;

    Kind kind = utf8;
    std::string key;       // name in upper case, letters and digits only
    bool ascii = true;     // bytes 0x00-0x7F stand for U+0000-U+007F
    bool builtin = false;  // the built-in UTF-8 default; never freed

    std::array<uint32_t, 256> to_ucs{};  // single: byte -> code point or kNoChar
    std::vector<std::pair<uint32_t, unsigned char>> from_ucs;  // single: sorted by code point
    std::array<int8_t, 256>
        lead{};  // multi: 1 one-byte character, 0 starts a longer one, -1 invalid

    std::mutex mu;  // guards the descriptors below
    iconv_t to_u8 = reinterpret_cast<iconv_t>(-1);
    iconv_t from_u8 = reinterpret_cast<iconv_t>(-1);

    lyr_cs() = default;
    lyr_cs(const lyr_cs &) = delete;
    lyr_cs &operator=(const lyr_cs &) = delete;
    ~lyr_cs();
};

// A locale name taken apart: language[_territory][.codeset][@modifier].
struct lyr_loc {
    std::string name, language, territory, codeset, modifier;
    std::string cs_name;  // the code set of texts in this locale
    locale_t lc =
        nullptr;  // the installed locale (LC_CTYPE), for case folding; null when not installed
    lyr_loc() = default;
    lyr_loc(const lyr_loc &) = delete;
    lyr_loc &operator=(const lyr_loc &) = delete;
    ~lyr_loc();
};

namespace lyr {

// The code set itself, or the default one for null.
lyr_cs *resolve(lyr_cs_t cs);
lyr_cs *make_cs(const char *name);  // null with errno on failure
bool same_cs(const lyr_cs &a, const lyr_cs &b);

// Append the text converted to (from) UTF-8; false when it holds a byte
// sequence that is not a character or a character the target cannot hold.
bool to_utf8(lyr_cs &cs, const char *s, size_t n, std::string &out);
bool from_utf8(lyr_cs &cs, const char *s, size_t n, std::string &out);
// Length of the character at s (n bytes available), -1 when invalid or cut short.
int char_len(lyr_cs &cs, const char *s, size_t n);
// Bytes of the character at s for walking a string: the character's length,
// or 1 for an invalid byte, so that a walk always advances. s[0] is not NUL.
size_t step(lyr_cs &cs, const char *s);
// Code point of the character at s, or -1 when undecodable; *len gets its bytes.
long decode_char(lyr_cs &cs, const char *s, size_t n, int *len);
// Bytes of code point cp in cs written to out (room for 8), or -1.
int encode_char(lyr_cs &cs, uint32_t cp, char *out);

// Parses a locale name into loc (all fields but lc and cs_name); false when malformed.
bool parse_locale(const char *name, lyr_loc &loc);
// A complete locale handle for name; null with errno on failure.
lyr_loc *make_locale(const char *name);
// The process's LC_MESSAGES locale name ("C" when none).
std::string process_locale_name();

}  // namespace lyr

#endif
