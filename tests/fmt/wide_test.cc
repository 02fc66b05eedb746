// Wide characters and strings: conversion through the code set, precision in
// bytes, cuts after whole characters, and unconvertible characters.
#include <zel/zel.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const lyr_wchar_t kText[] = {'H', 0xE9, 0x20AC, 0};  // "H", e acute, euro: 1 + 2 + 3 bytes in UTF-8

class FmtWide : public ::testing::Test {
protected:
    void SetUp() override {
        utf8 = lyr_cs_new("UTF8");
        latin1 = lyr_cs_new("ISO-8859-1");
        ASSERT_NE(nullptr, utf8);
        ASSERT_NE(nullptr, latin1);
    }
    void TearDown() override {
        lyr_cs_free(utf8);
        lyr_cs_free(latin1);
    }
    // Renders into a buffer of `size` bytes; "#" marks bytes never written.
    static std::string render(int size, int *n, lyr_cs_t cs, const char *format, ...) {
        char buf[64];
        memset(buf, '#', sizeof buf);
        va_list args;
        va_start(args, format);
        *n = zel_vsnprintf_cs(buf, size, cs, format, args);
        va_end(args);
        return std::string(buf, static_cast<size_t>(size) + 1);
    }
    lyr_cs_t utf8 = nullptr;
    lyr_cs_t latin1 = nullptr;
};

TEST_F(FmtWide, ConvertsThroughTheCodeSet) {
    char buf[32];
    EXPECT_EQ(8, zel_snprintf_cs(buf, sizeof buf, utf8, "<%S>", kText));
    EXPECT_STREQ("<H\xC3\xA9\xE2\x82\xAC>", buf);
    EXPECT_EQ(4, zel_snprintf_cs(buf, sizeof buf, latin1, "%C%3C", 0xE9, 'x'));
    EXPECT_STREQ("\xE9  x", buf);
    // The precision counts bytes and never splits a character.
    EXPECT_EQ(3, zel_snprintf_cs(buf, sizeof buf, utf8, "%.5S", kText));
    EXPECT_STREQ("H\xC3\xA9", buf);
    EXPECT_EQ(9, zel_snprintf_cs(buf, sizeof buf, utf8, "%-8.6S|", kText));
    EXPECT_STREQ("H\xC3\xA9\xE2\x82\xAC  |", buf);
    EXPECT_EQ(4, zel_snprintf_cs(buf, sizeof buf, utf8, "%4S", nullptr));
    EXPECT_STREQ("    ", buf);
    // The default code set is UTF-8 until a program sets another.
    EXPECT_EQ(2, zel_snprintf(buf, sizeof buf, "%C", 0xE9));
    EXPECT_STREQ("\xC3\xA9", buf);
}

TEST_F(FmtWide, CutsAfterWholeCharacters) {
    int n;
    // Room 4: "H" and the two bytes of e acute; the euro does not fit, and
    // nothing after it is written either.
    EXPECT_EQ(std::string("H\xC3\xA9\0##", 6), render(5, &n, utf8, "%S|", kText));
    EXPECT_EQ(7, n);
    // Right-justified: the padding comes first, the text is cut after it.
    EXPECT_EQ(std::string("  H\0##", 6), render(5, &n, utf8, "%8S", kText));
    EXPECT_EQ(8, n);
    EXPECT_EQ(std::string("  H\xC3\xA9\0#", 7), render(6, &n, utf8, "%8S", kText));
    EXPECT_EQ(std::string("\0##", 3), render(2, &n, utf8, "%C", 0x20AC));
    EXPECT_EQ(3, n);
}

TEST_F(FmtWide, UnconvertibleCharactersFailTheCall) {
    char buf[32];
    EXPECT_EQ(-1, zel_snprintf_cs(buf, sizeof buf, latin1, "%C", 0x20AC));
    EXPECT_EQ(-1, zel_snprintf_cs(buf, sizeof buf, latin1, "ok %S", kText));
    // Also when measuring; but characters beyond the precision are never converted.
    EXPECT_EQ(-1, zel_snprintf_cs(nullptr, 0, latin1, "%S", kText));
    EXPECT_EQ(1, zel_snprintf_cs(buf, sizeof buf, latin1, "%.1S", kText));
    char *out = buf;
    EXPECT_EQ(-1, zel_asprintf_cs(&out, latin1, "%C", 0x20AC));
    EXPECT_EQ(nullptr, out);
}

TEST_F(FmtWide, FamiliesPickTheirCodeSets) {
    char a[32], b[32];
    EXPECT_EQ(zel_snprintf_cs(a, sizeof a, zelsvc_get_local_code_page(), "%S", kText),
              zel_snprintf_lcp(b, sizeof b, "%S", kText));
    vr_zel_svc_utf8_cs = latin1;
    EXPECT_EQ(1, zel_snprintf_utf8(a, sizeof a, "%C", 0xE9));
    EXPECT_STREQ("\xE9", a);
    char *out = nullptr;
    EXPECT_EQ(-1, zel_asprintf_utf8(&out, "%C", 0x20AC));
    vr_zel_svc_utf8_cs = nullptr;
    EXPECT_EQ(2, zel_asprintf_utf8(&out, "%C", 0xE9));
    EXPECT_STREQ("\xC3\xA9", out);
    zel_asprintf_free(out);
}

}  // namespace
