// libjrnmsg code sets, conversions and code-set-aware searches.
#include <jrnmsg/lyr.h>

#include "support/test_support.h"

namespace {

struct Cs {
    explicit Cs(const char *name) : cs(lyr_cs_new(name)) {}
    ~Cs() { lyr_cs_free(cs); }
    lyr_cs_t cs;
};

std::string convert(int (*f)(lyr_cs_t, const char *, size_t, char *, size_t), lyr_cs_t cs, const std::string &s) {
    char buf[256];
    int n = f(cs, s.data(), s.size(), buf, sizeof buf);
    return n < 1 ? "<fail>" : std::string(buf, static_cast<size_t>(n));
}
std::string to_utf8(lyr_cs_t cs, const std::string &s) { return convert(lyr_to_utf8, cs, s); }
std::string from_utf8(lyr_cs_t cs, const std::string &s) { return convert(lyr_from_utf8, cs, s); }

const std::string kLatin1 = "Gr\xfc\xdf Gott \xa9";
const std::string kUtf8 = "Gr\xc3\xbc\xc3\x9f Gott \xc2\xa9";

TEST(LyrCodeSet, NamesAndDefault) {
    for (const char *name : {"UTF8", "UTF-8", "utf8", "ISO-8859-1", "ANSI_X3.4-1968", "CP932"}) {
        Cs c(name);
        EXPECT_NE(c.cs, nullptr) << name;
    }
    for (const char *name :
         {"", "NO-SUCH-SET", "UTF-16", "UTF-7", "ISO-2022-JP", "ISO-2022-KR", "HZ", "UTF-8//TRANSLIT"})
        EXPECT_EQ(lyr_cs_new(name), nullptr) << name;
    EXPECT_EQ(lyr_cs_new(nullptr), nullptr);
    // UTF-8 until set; a null argument means the default.
    EXPECT_EQ(to_utf8(nullptr, kUtf8), kUtf8);
    Cs latin1("ISO-8859-1");
    lyr_set_def_cs(latin1.cs);
    EXPECT_EQ(to_utf8(nullptr, kLatin1), kUtf8);
    lyr_set_def_cs(nullptr);
    EXPECT_EQ(to_utf8(nullptr, kLatin1), "<fail>");
}

TEST(LyrConvert, RoundTripsThroughUtf8AndUcs2) {
    Cs latin1("ISO-8859-1"), utf8("UTF8"), latin9("ISO-8859-15"), sjis("CP932");
    EXPECT_EQ(to_utf8(latin1.cs, kLatin1), kUtf8);
    EXPECT_EQ(from_utf8(latin1.cs, kUtf8), kLatin1);
    const std::string hyo = "\xe8\xa1\xa8";  // U+8868, 0x95 0x5C in CP932
    EXPECT_EQ(from_utf8(sjis.cs, "a" + hyo + "\\"), "a\x95\x5c\\");
    EXPECT_EQ(to_utf8(sjis.cs, "a\x95\x5c\\"), "a" + hyo + "\\");

    // Wide text, which nothing of the library reads yet: one round trip.
    lyr_wchar_t wide[64];
    ASSERT_EQ(lyr_mbstowcs(sjis.cs, wide, "x\x95\x5c", 64), 2);
    EXPECT_EQ(wide[1], 0x8868);
    char mb[64];
    EXPECT_EQ(lyr_wcstombs(utf8.cs, mb, wide, sizeof mb) + lyr_wctomb(latin9.cs, mb + 8, 0x20AC), 5);
    EXPECT_EQ(std::string(mb, 4) + mb[8], "x" + hyo + "\xa4");
}

TEST(LyrConvert, BadInputAndSmallBuffersFail) {
    Cs latin1("ISO-8859-1"), ascii("ANSI_X3.4-1968"), utf8("UTF8");
    char out[16];
    // Cut-short, overlong, surrogate and past-U+10FFFF UTF-8.
    for (const char *bad : {"a\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff"}) {
        EXPECT_EQ(from_utf8(latin1.cs, bad), "<fail>") << bad;
        EXPECT_EQ(to_utf8(utf8.cs, bad), "<fail>") << bad;
    }
    EXPECT_EQ(to_utf8(ascii.cs, "caf\xe9"), "<fail>");
    EXPECT_EQ(from_utf8(latin1.cs, "\xe2\x82\xac"), "<fail>");  // no euro in Latin-1
    EXPECT_EQ(lyr_wctomb(utf8.cs, out, 0xDC00), -1);

    // Exactly full: no terminator; one byte short: failure, nothing but a NUL.
    memset(out, 'X', sizeof out);
    EXPECT_EQ(lyr_to_utf8(latin1.cs, "\xfc\xfc", 2, out, 4), 4);
    EXPECT_EQ(out[4], 'X');
    EXPECT_EQ(lyr_to_utf8(latin1.cs, "\xfc\xfc", 2, out, 3), -1);
    EXPECT_EQ(errno, E2BIG);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(lyr_to_utf8(latin1.cs, "", 0, out, sizeof out), 0);
}

TEST(LyrSearch, NeverMatchesInsideAMultibyteCharacter) {
    Cs sjis("CP932"), utf8("UTF8"), latin1("ISO-8859-1");
    // 0x95 0x5C is one character whose second byte looks like '\'.
    const char *s =
        "\x95\x5c"
        "a\\b\x83\x5c";
    for (const char *found :
         {lyr_strchr(sjis.cs, s, '\\'), lyr_strrchr(sjis.cs, s, '\\'), lyr_strstr(sjis.cs, s, "\\b")})
        EXPECT_EQ(found, s + 3);
    EXPECT_EQ(lyr_strstr(sjis.cs, s,
                         "\x5c"
                         "a"),
              nullptr);
    EXPECT_EQ(lyr_strchr(sjis.cs, s, 'z'), nullptr);
    EXPECT_EQ(lyr_strchr(sjis.cs, s, 0), s + strlen(s));
    EXPECT_EQ(std::vector<int>({2, -1, 0}),
              std::vector<int>({lyr_mblen(sjis.cs, s, 8), lyr_mblen(sjis.cs, s, 1), lyr_mblen(sjis.cs, "", 1)}));
    const char *u = "x\xc3\xa9y\xc3\xa9";
    EXPECT_EQ(lyr_strchr(utf8.cs, u, 0xA9), nullptr);
    EXPECT_EQ(lyr_strrchr(utf8.cs, u, 'y'), u + 3);
    EXPECT_EQ(lyr_strstr(utf8.cs, u, "\xa9"), nullptr);
    EXPECT_EQ(lyr_strstr(utf8.cs, u, "\xc3\xa9"), u + 1);
    EXPECT_EQ(
        std::vector<int>({2, -1, -1}),
        std::vector<int>({lyr_mblen(utf8.cs, u + 1, 2), lyr_mblen(utf8.cs, u + 1, 1), lyr_mblen(utf8.cs, u + 2, 4)}));
    const char *l =
        "a\xe9"
        "b\xe9";  // single-byte: every byte is a character
    EXPECT_EQ(lyr_strrchr(latin1.cs, l, 0xE9), l + 3);
}

TEST(LyrSearch, CaseBlindComparisonUsesTheLocale) {
    Cs latin1("ISO-8859-1"), utf8("UTF8");
    lyr_loc_t de = lyr_loc_new("de_DE.ISO-8859-1");
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(0, lyr_strnicmp(latin1.cs, de, "\xc4rger", "\xe4RGER", 6) |
                     lyr_strnicmp(latin1.cs, de, "abcX", "ABCY", 3) |
                     lyr_strnicmp(utf8.cs, de, "\xc3\x84rger", "\xc3\xa4RGER", 7));
    EXPECT_LT(lyr_strnicmp(latin1.cs, de, "abcX", "ABCY", 4), 0);
    EXPECT_GT(lyr_strnicmp(latin1.cs, de, "abd", "ABC", 9), 0);
    EXPECT_NE(lyr_strnicmp(latin1.cs, de, "ab", "abc", 9), 0);
    lyr_loc_free(de);
}

// Threads sharing one multibyte handle must not mix up its iconv state.
TEST(LyrConvert, SharedMultibyteHandleAcrossThreads) {
    Cs sjis("CP932");
    const std::string text = "\xe8\xa1\xa8\xe7\xa4\xba \xe3\x82\xbd";
    const std::string expect = from_utf8(sjis.cs, text);
    ASSERT_NE(expect, "<fail>");
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i)
                if (from_utf8(sjis.cs, text) != expect || to_utf8(sjis.cs, expect) != text) ++bad[t];
        });
    for (auto &th : threads) th.join();
    EXPECT_EQ(bad, std::vector<int>(4, 0));
}

}  // namespace
