// The AVX2 kernels of Base64: 24 bytes to 32 characters and back per step.
// Only called when the processor has AVX2; the scalar code in base64_codec.cc
// does everything they leave, and gives the same results.
#include <immintrin.h>

#include "id/base64_internal.h"

namespace zel {
namespace {

#define ZEL_AVX2 __attribute__((target("avx2")))

// Both alphabets are A-Z a-z 0-9 '+' and a last symbol ('/' or '-').
ZEL_AVX2 inline __m256i symbols_of(__m256i indices, char last) {
    // 0..25 -> 13, 26..51 -> 0, 52..61 -> 1..10, 62 -> 11, 63 -> 12: the
    // slot of the offset that turns the index into its character.
    __m256i slot = _mm256_subs_epu8(indices, _mm256_set1_epi8(51));
    __m256i upper = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), indices);
    slot = _mm256_or_si256(slot, _mm256_and_si256(upper, _mm256_set1_epi8(13)));
    const __m256i offsets = _mm256_broadcastsi128_si256(_mm_setr_epi8(
        'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '0' - 52, '0' - 52, '+' - 62, static_cast<char>(last - 63), 'A', 0, 0));
    return _mm256_add_epi8(_mm256_shuffle_epi8(offsets, slot), indices);
}

ZEL_AVX2 inline __m256i in_range(__m256i c, char low, char high) {
    return _mm256_and_si256(_mm256_cmpgt_epi8(c, _mm256_set1_epi8(static_cast<char>(low - 1))),
                            _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(high + 1)), c));
}

}  // namespace

ZEL_AVX2 void base64_encode_avx2(const unsigned char *in, size_t inLen, char *out, char last_symbol,
                                 size_t *done, size_t *written) {
    size_t i = 0, o = 0;
    // Each lane takes 12 of the 16 bytes it loads: the two loads overlap,
    // and the second reaches 28 bytes past the block's start.
    const __m256i spread = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10));
    for (; inLen - i >= 28; i += 24, o += 32) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 12));
        __m256i bytes = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        bytes = _mm256_shuffle_epi8(bytes, spread);
        // Every 32 bits hold b1 b0 b2 b1; the multiplies shift the four
        // 6-bit fields into the four bytes.
        __m256i ac = _mm256_mulhi_epu16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x0fc0fc00)),
                                        _mm256_set1_epi32(0x04000040));
        __m256i bd = _mm256_mullo_epi16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x003f03f0)),
                                        _mm256_set1_epi32(0x01000010));
        __m256i text = symbols_of(_mm256_or_si256(ac, bd), last_symbol);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + o), text);
    }
    *done = i;
    *written = o;
}

ZEL_AVX2 void base64_decode_avx2(const char *in, size_t inLen, unsigned char *out, size_t room,
                                 char last_symbol, size_t *done, size_t *written, size_t *stop) {
    size_t i = 0, o = 0;
    *stop = inLen;
    const __m256i gather = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
    for (; inLen - i >= 32 && room - o >= 32; i += 32, o += 24) {
        __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        __m256i upper = in_range(c, 'A', 'Z');
        __m256i lower = in_range(c, 'a', 'z');
        __m256i digit = in_range(c, '0', '9');
        __m256i plus = _mm256_cmpeq_epi8(c, _mm256_set1_epi8('+'));
        __m256i last = _mm256_cmpeq_epi8(c, _mm256_set1_epi8(last_symbol));
        __m256i valid = _mm256_or_si256(_mm256_or_si256(upper, lower),
                                        _mm256_or_si256(_mm256_or_si256(digit, plus), last));
        unsigned int invalid = ~static_cast<unsigned int>(_mm256_movemask_epi8(valid));
        if (invalid) {
            *stop = i + static_cast<size_t>(__builtin_ctz(invalid));
            break;
        }
        __m256i shift = _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(upper, _mm256_set1_epi8(-'A')),
                            _mm256_and_si256(lower, _mm256_set1_epi8(26 - 'a'))),
            _mm256_or_si256(
                _mm256_or_si256(_mm256_and_si256(digit, _mm256_set1_epi8(52 - '0')),
                                _mm256_and_si256(plus, _mm256_set1_epi8(62 - '+'))),
                _mm256_and_si256(last, _mm256_set1_epi8(static_cast<char>(63 - last_symbol)))));
        __m256i values = _mm256_add_epi8(c, shift);
        // Four 6-bit values to 24 bits per 32, then the 3-byte groups packed
        // into the low 24 bytes.
        __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
        __m256i words = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
        __m256i bytes = _mm256_shuffle_epi8(words, gather);
        bytes = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + o), bytes);
    }
    *done = i;
    *written = o;
}

}  // namespace zel
