// Whole-text conversions between a code set, UTF-8 and 16-bit UCS-2 into
// caller buffers. Pure ASCII text in an ASCII-compatible set is copied as is.
#include "internal.h"
#include "utf8.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Copies a result into the caller's buffer: NUL-terminated when there is
// room, all or nothing. An empty result is reported as 0, which callers take
// as failure (there is nothing to use).
int deliver(const char *text, size_t len, char *dst, size_t dstsize) {
    if (len > dstsize || len > static_cast<size_t>(INT32_MAX)) {
        if (dstsize) dst[0] = '\0';
        errno = E2BIG;
        return -1;
    }
    memcpy(dst, text, len);
    if (len < dstsize) dst[len] = '\0';
    return static_cast<int>(len);
}

int fail(char *dst, size_t dstsize, int err) {
    if (dst && dstsize) dst[0] = '\0';
    errno = err;
    return -1;
}

template <typename Convert>
int convert(lyr_cs_t cs, const char *src, size_t srclen, char *dst, size_t dstsize, Convert conv) {
    if (!dst || (!src && srclen)) return fail(dst, dstsize, EINVAL);
    lyr_cs *c = lyr::resolve(cs);
    if (c->ascii && lyr::is_ascii(src, srclen)) return deliver(src, srclen, dst, dstsize);
    try {
        std::string out;
        if (!conv(*c, src, srclen, out)) return fail(dst, dstsize, EILSEQ);
        return deliver(out.data(), out.size(), dst, dstsize);
    } catch (const std::bad_alloc &) {
        return fail(dst, dstsize, ENOMEM);
    }
}

}  // namespace

extern "C" {

int lyr_to_utf8(lyr_cs_t cs, const char *src, size_t srclen, char *dst, size_t dstsize) {
    return convert(cs, src, srclen, dst, dstsize, lyr::to_utf8);
}

int lyr_from_utf8(lyr_cs_t cs, const char *src, size_t srclen, char *dst, size_t dstsize) {
    return convert(cs, src, srclen, dst, dstsize, lyr::from_utf8);
}

int lyr_from_ucs2(lyr_cs_t cs, const lyr_wchar_t *src, size_t srcunits, char *dst, size_t dstsize) {
    if (!dst || (!src && srcunits)) return fail(dst, dstsize, EINVAL);
    lyr_cs *c = lyr::resolve(cs);
    try {
        std::string out;
        out.reserve(srcunits);
        for (size_t i = 0; i < srcunits; ++i) {
            char buf[8];
            int len = lyr::encode_char(*c, src[i], buf);
            if (len < 0) return fail(dst, dstsize, EILSEQ);
            out.append(buf, static_cast<size_t>(len));
        }
        return deliver(out.data(), out.size(), dst, dstsize);
    } catch (const std::bad_alloc &) {
        return fail(dst, dstsize, ENOMEM);
    }
}

}  // extern "C"
