// Finds the next "%" or the terminating NUL of a format, and the length of
// a string argument. Literal runs in formats and the strings put into log
// records are short, so the call into the C library that a general search
// costs is a large part of the work; on x86 these look at 16 bytes at a
// time inline instead.
#ifndef ZEL_SRC_FMT_FIND_BYTE_H
#define ZEL_SRC_FMT_FIND_BYTE_H

#include <string.h>

// The sanitizers check every byte read, including the harmless ones past the
// NUL that the 16-byte reads take in, so their builds use the C library.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZEL_FIND_BYTE_PLAIN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZEL_FIND_BYTE_PLAIN 1
#endif

#if defined(__SSE2__) && !defined(ZEL_FIND_BYTE_PLAIN)
#define ZEL_FIND_BYTE_SSE2 1
#include <emmintrin.h>
#include <stdint.h>
#endif

namespace zel {

#if defined(ZEL_FIND_BYTE_SSE2)
// The first byte at or after p that is c or NUL, looking at no more than
// `blocks` 16-byte blocks after the first (then null). Loads are 16-byte
// aligned, so they never cross into a page the string does not reach; the
// bytes read beyond the NUL are ignored.
template <int blocks>
inline const char *find_byte_or_nul(const char *p, char c) {
    const __m128i wanted = _mm_set1_epi8(c);
    const __m128i zero = _mm_setzero_si128();
    // The blocks are addressed as numbers: they may start before p and end
    // past the string.
    auto matches = [&](uintptr_t block) {
        __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i *>(block));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, wanted), _mm_cmpeq_epi8(bytes, zero))));
    };
    uintptr_t at = reinterpret_cast<uintptr_t>(p);
    uintptr_t block = at & ~static_cast<uintptr_t>(15);
    unsigned hits = matches(block) >> (at - block);  // bytes before p do not count
    if (hits != 0) return p + __builtin_ctz(hits);
    for (int i = 0; blocks < 0 || i < blocks; ++i) {
        block += 16;
        hits = matches(block);
        if (hits != 0) return p + (block - at) + __builtin_ctz(hits);
    }
    return nullptr;
}
// Literal runs of formats are short: the whole search stays inline.
inline const char *find_percent(const char *p) { return find_byte_or_nul<-1>(p, '%'); }
// Strings may be long, and the C library's wider loads are faster on them
// once the call is paid for.
inline size_t string_length(const char *s) {
    const char *end = find_byte_or_nul<2>(s, '\0');
    return end ? static_cast<size_t>(end - s) : strlen(s);
}
#else
inline const char *find_percent(const char *p) { return strchrnul(p, '%'); }
inline size_t string_length(const char *s) { return strlen(s); }
#endif

}  // namespace zel

#endif
