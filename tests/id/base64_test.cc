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

// The hand examples (six both ways, then decoding only: a line end, no '=',
// text after '=', '-' not standard); then every length from 0 to 4096 in both
// alphabets, the kernels giving the scalar text, decoded whole and in lines.
TEST(Base64, HandExamplesAndRoundTripsOfEveryLength) {
    const std::tuple<std::string, bool, std::string> rows[] = {
        {"abc", false, "YWJj"},      {"ab", false, "YWI="},      {"a", true, "YQ=="},     {"", false, ""},
        {"\xfb\xff", false, "+/8="}, {"\xfb\xff", true, "+-8="}, {"abc", true, "YWJj\n"}, {"ab", false, "YWI"},
        {"a", false, "YQ==YWJj"},    {"\xfb", false, "+-8="}};
    for (size_t i = 0; i < std::size(rows); ++i) {  // too short for the kernels
        const auto &[bytes, uri, text] = rows[i];
        EXPECT_EQ(i < 6 ? encode(bytes, uri) : text, text);
        EXPECT_EQ(decode(text, uri, bytes.size()), Decoded(unsigned(bytes.size()), bytes)) << text;
    }
    EXPECT_EQ(encode("abcd", false, 8), std::string(8 + kGuard, '#')) << "one short writes nothing";
    for (size_t k = 0; k < 2 * 4097; ++k) {
        size_t length = k % 4097;  // the standard alphabet, then the URI one
        std::string in(length, '\0'), lines;
        for (char &b : in) b = static_cast<char>(random());
        zel::base64_allow_simd(false);
        std::string text = encode(in, k > 4096);
        zel::base64_allow_simd(true);
        ASSERT_EQ(encode(in, k > 4096), text) << length;
        for (size_t i = 0; i < text.size(); i += 76) lines += text.substr(i, 76) + "\r\n";
        for (const std::string &t : {text, lines})
            ASSERT_EQ(decode(t, k > 4096, length), Decoded(unsigned(length), in));
    }
}

// Noise of each kind (neighbours of the alphabets' ranges too) at every offset
// of a clean text: the kernels' blocks, the scalar groups and their seams meet it.
TEST(Base64, DecodesNoiseAsTheGroupRulesSay) {
    const std::string noise[] = {"=", "\n", "\r\n", "\x80", "\xc1", "/", "-", std::string(1, '\0'),
                                 "*", ",",  ".",    ":",    "@",    "[", "`", "{"};
    const std::string clean = (kStd + kStd + kStd).substr(7, 160);
    for (size_t j = 0; j < (clean.size() + 1) * std::size(noise); ++j) {  // every offset, every kind
        std::string text =
            clean.substr(0, j / std::size(noise)) + noise[j % std::size(noise)] + clean.substr(j / std::size(noise));
        for (int k = 0; k < 4; ++k) {  // both alphabets, kernels on and off
            zel::base64_allow_simd(k & 1);
            Decoded expected = reference(text, k & 2);
            ASSERT_EQ(decode(text, k & 2, expected.second.size()), expected) << testing::PrintToString(text) << k;
        }
    }
}

}  // namespace
