// Base64: the hand examples, round trips of every length, and the decoder
// against a plain transcription of its group rules over noisy texts, with
// the vector kernels on and off, in buffers of exactly the documented size.
#include <zel/codec.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "id/base64_internal.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr size_t kGuard = 40;
const char kStd[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kUri[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

std::string encode(const Bytes &in, bool uri, unsigned int size) {
    std::string out(size + kGuard, '#');
    (uri ? zel_base64_uri_encode : zel_base64_std_encode)(in.data(), unsigned(in.size()), &out[0], size);
    EXPECT_EQ(out.substr(size), std::string(kGuard, '#')) << "written past the room given";
    return out.substr(0, out.find('\0'));  // all of it when nothing was written
}
std::string encode(const Bytes &in, bool uri) { return encode(in, uri, unsigned((in.size() + 2) / 3 * 4 + 1)); }

// The count and the whole buffer (documented room plus guard), so that bytes
// written but not counted are compared too.
struct Decoded {
    unsigned int n;
    Bytes out;
    bool operator==(const Decoded &o) const { return n == o.n && out == o.out; }
};
void PrintTo(const Decoded &d, std::ostream *os) { *os << d.n << " " << testing::PrintToString(d.out); }

Decoded decode(const std::string &text, bool uri) {
    Decoded d{12345, Bytes((text.size() + 3) / 4 * 3 + kGuard, 0xA5)};
    (uri ? zel_base64_uri_decode : zel_base64_std_decode)(text.data(), unsigned(text.size()), d.out.data(), &d.n);
    for (size_t i = d.out.size() - kGuard; i < d.out.size(); ++i) EXPECT_EQ(d.out[i], 0xA5) << "overrun";
    return d;
}

// The group rules as written, one character at a time; the buffer ends
// after the last byte written (the decoder may use the room past it).
Decoded reference(const std::string &text, bool uri) {
    Decoded d{0, Bytes((text.size() + 3) / 4 * 3 + kGuard, 0xA5)};
    std::string alphabet = uri ? kUri : kStd;
    size_t i = 0, o = 0;
    for (bool more = !text.empty(); more;) {
        int s[4] = {0, 0, 0, 0}, n = 0;
        for (; n < 4 && i < text.size(); ++i) {
            if (text[i] == '=') { more = false; ++i; break; }
            size_t v = alphabet.find(text[i]);
            if (v != std::string::npos) s[n++] = int(v);
        }
        if (n > 0) d.out[o++] = static_cast<unsigned char>(s[0] << 2 | s[1] >> 4);
        if (n > 1) d.out[o++] = static_cast<unsigned char>(s[1] << 4 | s[2] >> 2);
        if (n > 2) d.out[o++] = static_cast<unsigned char>(s[2] << 6 | s[3]);
        d.n += n == 4 ? 3 : n > 0 ? n - 1 : 0;
        more = more && n == 4 && i < text.size();
    }
    d.out.resize(o);
    return d;
}

Bytes bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }

TEST(Base64, HandExamples) {
    for (bool simd : {true, false}) {
        zel::base64_allow_simd(simd);
        EXPECT_EQ(encode(bytes("abc"), false), "YWJj");
        EXPECT_EQ(encode(bytes("ab"), false), "YWI=");
        EXPECT_EQ(encode(bytes("a"), true), "YQ==");
        EXPECT_EQ(encode(bytes(""), false), "");
        EXPECT_EQ(encode({0xFB, 0xFF}, false), "+/8=");
        EXPECT_EQ(encode({0xFB, 0xFF}, true), "+-8=");
        EXPECT_EQ(encode(bytes("abcd"), false, 8), std::string(8 + kGuard, '#')) << "one short";
        EXPECT_EQ(encode(bytes(""), false, 0), std::string(kGuard, '#'));
        // The bytes written, the count first: a short last group writes one more.
        struct { const char *text; bool uri; Bytes expected; } cases[] = {
            {"YWJj", false, {3, 'a', 'b', 'c'}}, {"YWJj\n", false, {3, 'a', 'b', 'c', 0xA5}},
            {"YWI=", false, {2, 'a', 'b', 0}},   {"YWI", true, {2, 'a', 'b', 0}},
            {"YQ==YWJj", false, {1, 'a', 0, 0xA5}}, {"+/8=", false, {2, 0xFB, 0xFF, 0}},
            {"+-8=", true, {2, 0xFB, 0xFF, 0}},  {"+-8=", false, {1, 0xFB, 0xC0, 0xA5}},
            {"\n\n\n\n=", false, {0, 0xA5}},
        };
        for (auto &c : cases) {
            Decoded got = decode(c.text, c.uri);
            got.out.insert(got.out.begin(), static_cast<unsigned char>(got.n));
            EXPECT_EQ(Bytes(got.out.begin(), got.out.begin() + c.expected.size()), c.expected) << c.text;
        }
        EXPECT_EQ(decode("", false).n, 0u);
    }
}

// Every length from 0 to 4096, both alphabets, the kernels on and off: the
// same text both ways, and back to the input, whole or in 76-character lines.
TEST(Base64, RoundTripsEveryLength) {
    std::mt19937 random(16);
    for (bool uri : {false, true}) {
        for (size_t length = 0; length <= 4096; ++length) {
            Bytes in(length);
            for (auto &b : in) b = static_cast<unsigned char>(random());
            zel::base64_allow_simd(false);
            std::string text = encode(in, uri);
            zel::base64_allow_simd(true);
            ASSERT_EQ(encode(in, uri), text) << length;
            std::string lines;
            for (size_t i = 0; i < text.size(); i += 76) lines += text.substr(i, 76) + "\r\n";
            for (const std::string &t : {text, lines}) {
                Decoded back = decode(t, uri);
                ASSERT_EQ(back.n, length);
                ASSERT_EQ(Bytes(back.out.begin(), back.out.begin() + long(length)), in) << length;
            }
        }
    }
}

// Noise of each kind at every offset of a clean text, and random noisy texts:
// the kernels' blocks, the scalar groups and their seams all meet it.
TEST(Base64, DecodesNoiseAsTheGroupRulesSay) {
    std::mt19937 random(8);
    // Besides the usual, the neighbours of each range of the alphabets.
    const std::string noise[] = {"=", "\n", "\r\n", "\x80", "\xff", "/", "-", std::string(1, '\0'),
                                 "*", ",", ".", ":", "@", "[", "`", "{"};
    std::string clean;
    for (int i = 0; i < 160; ++i) clean += kStd[random() % 62];
    std::vector<std::string> texts;
    for (size_t at = 0; at <= clean.size(); ++at)
        for (const std::string &n : noise) texts.push_back(clean.substr(0, at) + n + clean.substr(at));
    for (int t = 0; t < 2000; ++t) {
        std::string text;
        for (size_t n = random() % 300; n-- > 0;)
            text += random() % 16 ? std::string(1, kUri[random() % 64]) : noise[random() % 16];
        texts.push_back(text);
    }
    for (const std::string &text : texts) {
        for (bool uri : {false, true}) {
            Decoded expected = reference(text, uri);
            for (bool simd : {true, false}) {
                zel::base64_allow_simd(simd);
                Decoded got = decode(text, uri);
                got.out.resize(expected.out.size());
                ASSERT_EQ(got, expected) << testing::PrintToString(text) << uri << simd;
            }
        }
    }
}

}  // namespace
