// The Base64 alphabets and their reverse tables, the one encoder and the one
// decoder that take them, and the vector kernels those two hand clean runs to.
#ifndef ZEL_ID_BASE64_INTERNAL_H
#define ZEL_ID_BASE64_INTERNAL_H

#include <cstddef>

namespace zel {

// 64 characters, index = 6-bit value; the reverse table maps each 7-bit
// character code to its index, or to 0xFF when it is not in the alphabet.
struct Base64Alphabet {
    const char *symbols;
    const unsigned char *reverse;
};

extern const Base64Alphabet base64_std;
extern const Base64Alphabet base64_uri;

void encode_using_alphabet(const Base64Alphabet &alphabet, const unsigned char *in,
                           unsigned int inLen, char *out, unsigned int outSize);
void decode_using_alphabet(const Base64Alphabet &alphabet, const char *in, unsigned int inLen,
                           unsigned char *out, unsigned int *outLen);

// Whether the vector kernels may be used (when the processor has them); the
// tests turn them off to compare them with the scalar code.
void base64_allow_simd(bool allowed);

// AVX2 kernels. Encoding takes whole 24-byte blocks while it may read 28
// bytes; *done and *written say how far it went. Decoding takes whole
// 32-character blocks made only of alphabet characters while 32 bytes of
// output room remain; it stops at the first block that holds anything else
// and then sets *stop to the offset of that block's first such character
// (else to inLen).
void base64_encode_avx2(const unsigned char *in, size_t inLen, char *out, char last_symbol,
                        size_t *done, size_t *written);
void base64_decode_avx2(const char *in, size_t inLen, unsigned char *out, size_t room,
                        char last_symbol, size_t *done, size_t *written, size_t *stop);

}  // namespace zel

#endif
