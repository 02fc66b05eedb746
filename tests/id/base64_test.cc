// Base64: hand examples, round trips of every length, and the decoder against
// its group rules restated, over noisy texts, kernels on and off, in guarded buffers.
#include <zel/codec.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "id/base64_internal.h"

namespace {

using Decoded = std::pair<unsigned int, std::string>;  // the count, the bytes written
constexpr size_t kGuard = 40;
const std::string kStd = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const std::string kUri = kStd.substr(0, 63) + "-";
std::mt19937 random(16);

// The text, or the whole buffer when nothing was written; nothing past the room.
std::string encode(const std::string &in, bool uri, size_t size = 0) {
    if (size == 0) size = (in.size() + 2) / 3 * 4 + 1;
    std::string out(size + kGuard, '#');
    (uri ? zel_base64_uri_encode : zel_base64_std_encode)(reinterpret_cast<const unsigned char *>(in.data()),
                                                          unsigned(in.size()), &out[0], unsigned(size));
    EXPECT_EQ(out.substr(size), std::string(kGuard, '#')) << "written past the room given";
    return out.substr(0, out.find('\0'));
}

// In exactly the documented room, guarded; the bytes up to `written` kept.
Decoded decode(const std::string &text, bool uri, size_t written) {
    Decoded d{12345, std::string((text.size() + 3) / 4 * 3 + kGuard, '#')};
    const std::vector<char> exact(text.begin(), text.end());  // no terminator to read past
    (uri ? zel_base64_uri_decode : zel_base64_std_decode)(exact.data(), unsigned(text.size()),
                                                          reinterpret_cast<unsigned char *>(&d.second[0]), &d.first);
    EXPECT_EQ(d.second.substr(d.second.size() - kGuard), std::string(kGuard, '#')) << "overrun";
    return {d.first, d.second.substr(0, written)};
}

// The group rules restated: the symbols before the first '=' in groups of
// four, each byte a group writes kept (a short last group writes one more).
Decoded reference(const std::string &text, bool uri) {
    std::string s;
    for (char c : text.substr(0, text.find('=')))
        if (size_t v = (uri ? kUri : kStd).find(c); v != std::string::npos) s += char(v);
    Decoded d{0, {}};
    s.append(3, '\0');  // a short group's missing symbols are 0
    for (size_t g = 0, n; g + 3 < s.size(); g += 4) {
        n = std::min<size_t>(4, s.size() - 3 - g);
        const char bytes[] = {char(s[g] << 2 | s[g + 1] >> 4), char(s[g + 1] << 4 | s[g + 2] >> 2),
                              char(s[g + 2] << 6 | s[g + 3])};
        d.second.append(bytes, std::min<size_t>(n, 3));
        d.first += unsigned(n - 1);
    }
    return d;
}

// The hand examples, then every length from 0 to 4096 in both alphabets: the
// kernels give the scalar text, which decodes whole and in lines of 76. With
// noise of each kind (neighbours of the alphabets' ranges too) put in at an
// offset that runs through the kernels' blocks, the scalar groups and their
// seams, the decoder follows the group rules.
TEST(Base64, HandExamplesRoundTripsOfEveryLengthAndNoise) {
    const std::tuple<std::string, bool, std::string> rows[] = {{"abc", false, "YWJj"},      {"ab", false, "YWI="},
                                                               {"a", true, "YQ=="},         {"", false, ""},
                                                               {"\xfb\xff", false, "+/8="}, {"\xfb\xff", true, "+-8="}};
    for (const auto &[bytes, uri, text] : rows) EXPECT_EQ(text, encode(bytes, uri));
    EXPECT_EQ(encode("abcd", false, 8), std::string(8 + kGuard, '#')) << "one short writes nothing";
    const std::string noise[] = {"=", "\n", "\r\n", "\x80", "\xc1", "/", "-", std::string(1, '\0'),
                                 "*", ",",  ".",    ":",    "@",    "[", "`", "{"};
    for (size_t k = 0; k < 2 * 4097; ++k) {
        size_t length = k % 4097;  // the standard alphabet, then the URI one
        bool uri = k > 4096;
        std::string in(length, '\0'), lines;
        for (char &b : in) b = static_cast<char>(random());
        zel::base64_allow_simd(false);
        std::string text = encode(in, uri);
        zel::base64_allow_simd(true);
        ASSERT_EQ(encode(in, uri), text) << length;
        for (size_t i = 0; i < text.size(); i += 76) lines += text.substr(i, 76) + "\r\n";
        for (const std::string &t : {text, lines}) ASSERT_EQ(decode(t, uri, length), Decoded(unsigned(length), in));
        std::string noisy = text.substr(0, 240);  // past the kernels' first blocks
        noisy.insert(k * 7 % (noisy.size() + 1), noise[k % std::size(noise)]);
        zel::base64_allow_simd(k & 1);  // kernels on and off
        Decoded expected = reference(noisy, uri);
        ASSERT_EQ(decode(noisy, uri, expected.second.size()), expected) << testing::PrintToString(noisy);
    }
}

}  // namespace
