// Base64 in the standard and the URI-safe alphabet: one encoder and one
// decoder for both, exact group by group, handing long clean runs to the
// AVX2 kernels when the processor has them.
#include <zel/codec.h>

#include <array>
#include <atomic>

#include "id/base64_internal.h"

namespace zel {
namespace {

constexpr char kStdSymbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUriSymbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

constexpr std::array<unsigned char, 128> reverse_of(const char *symbols) {
    std::array<unsigned char, 128> table{};
    for (unsigned char &entry : table) entry = 0xFF;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(symbols[i])] = static_cast<unsigned char>(i);
    return table;
}

constexpr std::array<unsigned char, 128> kStdReverse = reverse_of(kStdSymbols);
constexpr std::array<unsigned char, 128> kUriReverse = reverse_of(kUriSymbols);
static_assert(kStdReverse['='] == 0xFF && kUriReverse['='] == 0xFF, "'=' is never a symbol");
static_assert(kStdReverse['/'] == 63 && kUriReverse['/'] == 0xFF, "'/' is standard only");
static_assert(kUriReverse['-'] == 63 && kStdReverse['-'] == 0xFF, "'-' is URI only");

// A character's 6-bit value, or 0xFF for one to skip (codes of 0x80 and up too).
inline unsigned int symbol_value(const unsigned char *table, char c) {
    unsigned char code = static_cast<unsigned char>(c);
    return code < 0x80 ? table[code] : 0xFF;
}

std::atomic<bool> simd_allowed{true};

// Decided once: the processor does not change under a running process.
bool use_avx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has_avx2 && simd_allowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

}  // namespace

const Base64Alphabet base64_std = {kStdSymbols, kStdReverse.data()};
const Base64Alphabet base64_uri = {kUriSymbols, kUriReverse.data()};

void base64_allow_simd(bool allowed) { simd_allowed.store(allowed, std::memory_order_relaxed); }

void encode_using_alphabet(const Base64Alphabet &alphabet, const unsigned char *in,
                           unsigned int inLen, char *out, unsigned int outSize) {
    unsigned long long need = (inLen + 2ULL) / 3 * 4 + 1;  // past 32 bits for huge inputs
    if (!out || outSize < need || (!in && inLen > 0)) return;
    const char *symbols = alphabet.symbols;
    size_t i = 0, o = 0;
    if (use_avx2()) base64_encode_avx2(in, inLen, out, symbols[63], &i, &o);
    for (; inLen - i >= 3; i += 3, o += 4) {
        unsigned int bits = in[i] << 16 | in[i + 1] << 8 | in[i + 2];
        out[o] = symbols[bits >> 18];
        out[o + 1] = symbols[bits >> 12 & 63];
        out[o + 2] = symbols[bits >> 6 & 63];
        out[o + 3] = symbols[bits & 63];
    }
    if (i < inLen) {
        bool two = i + 2 == inLen;
        unsigned int bits = in[i] << 16 | (two ? in[i + 1] << 8 : 0);
        out[o] = symbols[bits >> 18];
        out[o + 1] = symbols[bits >> 12 & 63];
        out[o + 2] = two ? symbols[bits >> 6 & 63] : '=';
        out[o + 3] = '=';
        o += 4;
    }
    out[o] = '\0';
}

void decode_using_alphabet(const Base64Alphabet &alphabet, const char *in, unsigned int inLen,
                           unsigned char *out, unsigned int *outLen) {
    if (!outLen) return;
    *outLen = 0;
    if (!in || !out || inLen == 0) return;
    const unsigned char *table = alphabet.reverse;
    // The caller's buffer holds 3 bytes for every 4 characters, rounded up;
    // the kernel's 32-byte stores stay inside it.
    const size_t room = (inLen / 4 + (inLen % 4 != 0)) * size_t{3};
    const bool simd = use_avx2();
    size_t i = 0, o = 0, stop = 0;
    for (;;) {
        // At a group boundary: a run of whole clean blocks decodes at once.
        if (simd && i >= stop) {
            size_t done, written, bad;
            base64_decode_avx2(in + i, inLen - i, out + o, room - o, alphabet.symbols[63], &done,
                               &written, &bad);
            stop = i + bad + 1;
            i += done;
            o += written;
        }
        // Whole groups of four alphabet characters, the common case, go
        // without the per-character branches.
        for (; inLen - i >= 4; i += 4, o += 3) {
            unsigned int a = symbol_value(table, in[i]), b = symbol_value(table, in[i + 1]),
                         c = symbol_value(table, in[i + 2]), d = symbol_value(table, in[i + 3]);
            if ((a | b | c | d) > 63) break;
            out[o] = static_cast<unsigned char>(a << 2 | b >> 4);
            out[o + 1] = static_cast<unsigned char>(b << 4 | c >> 2);
            out[o + 2] = static_cast<unsigned char>(c << 6 | d);
        }
        unsigned int s[4] = {0, 0, 0, 0};
        int n = 0;
        // '=' ends the gathering, and the decoding after this group.
        while (n < 4 && i < inLen) {
            char c = in[i++];
            if (c == '=') break;
            unsigned int value = symbol_value(table, c);
            if (value <= 63) s[n++] = value;
        }
        // A group of n symbols writes n bytes (3 for 4); a short one is the
        // last and carries one byte fewer than it writes.
        if (n > 0) out[o] = static_cast<unsigned char>(s[0] << 2 | s[1] >> 4);
        if (n > 1) out[o + 1] = static_cast<unsigned char>(s[1] << 4 | s[2] >> 2);
        if (n > 2) out[o + 2] = static_cast<unsigned char>(s[2] << 6 | s[3]);
        if (n < 4) {
            if (n > 0) o += n - 1;
            break;
        }
        o += 3;
        if (i >= inLen) break;
    }
    *outLen = static_cast<unsigned int>(o);
}

}  // namespace zel

void zel_base64_std_encode(const unsigned char *in, unsigned int inLen, char *out,
                           unsigned int outSize) {
    zel::encode_using_alphabet(zel::base64_std, in, inLen, out, outSize);
}

void zel_base64_uri_encode(const unsigned char *in, unsigned int inLen, char *out,
                           unsigned int outSize) {
    zel::encode_using_alphabet(zel::base64_uri, in, inLen, out, outSize);
}

void zel_base64_std_decode(const char *in, unsigned int inLen, unsigned char *out,
                           unsigned int *outLen) {
    zel::decode_using_alphabet(zel::base64_std, in, inLen, out, outLen);
}

void zel_base64_uri_decode(const char *in, unsigned int inLen, unsigned char *out,
                           unsigned int *outLen) {
    zel::decode_using_alphabet(zel::base64_uri, in, inLen, out, outLen);
}
