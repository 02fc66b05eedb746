// Any bytes as Base64 text for both decoders, with the AVX2 kernels on and
// off, checked against the group rules transcribed one character at a time;
// and any bytes encoded in both alphabets and decoded back.
#include <zel/codec.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "id/base64_internal.h"

namespace {

const char kStd[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kUri[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

// The bytes written (the last group's extra byte included) and the count.
std::vector<unsigned char> reference(const char *text, size_t size, const char *alphabet,
                                     unsigned int *count) {
    std::vector<unsigned char> out;
    size_t i = 0;
    *count = 0;
    for (bool more = size > 0; more;) {
        int s[4] = {0, 0, 0, 0}, n = 0;
        for (; n < 4 && i < size; ++i) {
            if (text[i] == '=') {
                more = false;
                ++i;
                break;
            }
            const char *at = text[i] ? std::strchr(alphabet, text[i]) : nullptr;
            if (at) s[n++] = static_cast<int>(at - alphabet);
        }
        if (n > 0) out.push_back(static_cast<unsigned char>(s[0] << 2 | s[1] >> 4));
        if (n > 1) out.push_back(static_cast<unsigned char>(s[1] << 4 | s[2] >> 2));
        if (n > 2) out.push_back(static_cast<unsigned char>(s[2] << 6 | s[3]));
        *count += n == 4 ? 3 : n > 0 ? n - 1 : 0;
        more = more && n == 4 && i < size;
    }
    return out;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = reinterpret_cast<const char *>(data);
    unsigned int length = static_cast<unsigned int>(size);
    // Exactly the documented room, so that ASan sees any write past it.
    std::vector<unsigned char> out((size + 3) / 4 * 3 + 1);
    std::vector<char> encoded((size + 2) / 3 * 4 + 1);
    for (bool simd : {true, false}) {
        zel::base64_allow_simd(simd);
        for (bool uri : {false, true}) {
            unsigned int expected_count, count = 99;
            std::vector<unsigned char> expected =
                reference(text, size, uri ? kUri : kStd, &expected_count);
            (uri ? zel_base64_uri_decode : zel_base64_std_decode)(text, length, out.data() + 1,
                                                                  &count);
            check(count == expected_count && expected.size() <= out.size() - 1 &&
                  std::equal(expected.begin(), expected.end(), out.begin() + 1));

            (uri ? zel_base64_uri_encode : zel_base64_std_encode)(
                data, length, encoded.data(), static_cast<unsigned int>(encoded.size()));
            check(std::strlen(encoded.data()) == encoded.size() - 1);
            std::vector<unsigned char> back((encoded.size() - 1) / 4 * 3);
            (uri ? zel_base64_uri_decode : zel_base64_std_decode)(
                encoded.data(), static_cast<unsigned int>(encoded.size() - 1), back.data(), &count);
            check(count == size && std::equal(data, data + size, back.begin()));
        }
    }
    return 0;
}
