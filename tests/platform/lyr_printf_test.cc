// libjrnmsg printf: as the C library, %S/%C converted, %n and bad formats refused.
#include <jrnmsg/lyr.h>

#include <cstdarg>
#include <cstdint>

#include "support/test_support.h"

namespace {

const std::string kFail = "<fail>";

std::string lyr(lyr_cs_t cs, const char *fmt, ...) {
    char buf[4096];
    memset(buf, 'X', sizeof buf);
    va_list ap;
    va_start(ap, fmt);
    int n = lyr_vsprintf(cs, 0, buf, fmt, ap);
    va_end(ap);
    if (n < 0) return buf[0] == '\0' && buf[1] == 'X' ? kFail : "<fail, buffer written>";
    EXPECT_EQ(std::string(1, '\0') + "X", std::string(buf + n, 2));  // nothing past what was reported
    return std::string(buf, static_cast<size_t>(n));
}

__attribute__((format(printf, 1, 2))) std::string libc(const char *fmt, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return n < 0 ? kFail : std::string(buf, static_cast<size_t>(n));
}

#define EXPECT_LIKE_LIBC(...) EXPECT_EQ(lyr(nullptr, __VA_ARGS__), libc(__VA_ARGS__))

TEST(LyrPrintf, ConversionsMatchTheCLibrary) {
    // Only bare conversions: the one-pass road of message texts.
    EXPECT_LIKE_LIBC("%d %i %u %x %X|%ld %li %lu %lx %lX|%s%%%s", INT_MIN, 0, UINT_MAX, 0u, 0xABCDEFu,
                     LONG_MIN, LONG_MAX, ULONG_MAX, 0x7fffUL, ULONG_MAX, "a", "");
    const char *none = nullptr;
    EXPECT_EQ("(null)/x -1 [|] 100%", lyr(nullptr, "%s/%s %d [%.3s|%.0s] 100%%", none, "x", -1, none, "y"));
    // Texts around the length that is formatted without allocating.
    for (size_t len : {511u, 512u, 513u, 3000u}) {
        std::string text(len, 'z');
        EXPECT_LIKE_LIBC("%s|%d", text.c_str(), 7);
    }
    EXPECT_LIKE_LIBC("%5d|%-5d|%05d|%+d|% d|%#o %#x %.3d %.0d|%5.3d|%hhd %hd %lld %llu|%jd %zu %td", 42, 42, -42, 42,
                     42, 8u, 0u, 7, 0, -7, 300, 70000, LLONG_MIN, ULLONG_MAX, INTMAX_MIN, SIZE_MAX,
                     static_cast<ptrdiff_t>(-5));
    EXPECT_LIKE_LIBC("%e %f %g %.3e %10.4f %-10.2g| %a %G %E %Le %.20Lg", 1234.5678, -0.5, 1e-10, 6.02e23, 3.14159,
                     2.5, 1.0, 1e100, 0.0, 1.5L, 1.0L / 3);
    EXPECT_LIKE_LIBC("[%c] [%5c] [%-3c] [%.2s] [%8s] [%-8s] %p %-20p|", 'a', 'b', 'c', "abc", "abc", "abc",
                     static_cast<void *>(&errno), static_cast<void *>(nullptr));
    EXPECT_LIKE_LIBC("[%*d] [%-*d] [%*d] [%.*f] [%*.*s] [%.*d]", 6, 1, 6, 2, -6, 3, 2, 3.14159, 8, 2, "abcdef", -1, 5);
    // Numbered arguments; every argument up to the highest one used must be named.
    EXPECT_LIKE_LIBC("%2$s|%1$d %3$5.1f %4$lld|[%6$*5$.*1$d]", 4, "hello", 2.25, -9LL, 8, 42);
    for (const char *bad : {"%2$d", "%1$d %d", "%1$d %1$s"}) EXPECT_EQ(kFail, lyr(nullptr, bad, 1, 2)) << bad;
}

TEST(LyrPrintf, WideTextIsConvertedIntoTheCodeSet) {
    lyr_cs_t utf8 = lyr_cs_new("UTF8"), latin1 = lyr_cs_new("ISO-8859-1");
    const lyr_wchar_t gruss[] = {'G', 'r', 0xFC, 0xDF, 0};
    EXPECT_EQ(lyr(utf8, "<%S>", gruss), "<Gr\xc3\xbc\xc3\x9f>");
    EXPECT_EQ(lyr(latin1, "<%S>", gruss), "<Gr\xfc\xdf>");
    EXPECT_EQ(lyr(utf8, "<%ls|%8S|%-8S>", gruss, gruss, gruss), "<Gr\xc3\xbc\xc3\x9f|  Gr\xc3\xbc\xc3\x9f|Gr\xc3\xbc\xc3\x9f  >");
    // The precision counts output bytes and never cuts a character.
    EXPECT_EQ(lyr(utf8, "<%.3S|%.4S|%.1S>", gruss, gruss, gruss), "<Gr|Gr\xc3\xbc|G>");
    EXPECT_EQ(lyr(latin1, "<%.3S>", gruss), "<Gr\xfc>");
    EXPECT_EQ(lyr(utf8, "<%C%3C%lc>", 0x20AC, 'x', 0xE9), "<\xe2\x82\xac  x\xc3\xa9>");
    EXPECT_EQ(lyr(latin1, "<%C>", 0x20AC) + lyr(utf8, "<%C>", 0xD800), kFail + kFail);  // no euro in Latin-1
    EXPECT_EQ(lyr(utf8, "<%S>", static_cast<const lyr_wchar_t *>(nullptr)), "<(null)>");
    EXPECT_EQ(lyr(utf8, "<%.2s>", "a\xc3\xa9"), "<a>");  // narrow text is not cut either
    lyr_cs_free(utf8), lyr_cs_free(latin1);
}

int stream_print(FILE *f, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = lyr_vfprintf(nullptr, 0, f, fmt, ap);
    va_end(ap);
    return n;
}

TEST(LyrPrintf, PercentNAndMalformedFormatsFail) {
    int n = 0;
    for (const char *fmt : {"abc%n", "%d%n", "%hn", "%1$n", "%lln"}) {
        errno = 0;
        EXPECT_EQ(lyr(nullptr, fmt, &n, &n), kFail) << fmt;
        EXPECT_EQ(errno, EINVAL) << fmt;
    }
    EXPECT_EQ(n, 0);
    for (const char *fmt : {"%", "abc%", "%y", "%hs", "%99999999999d", "%0$d", "%Lc"})
        EXPECT_EQ(lyr(nullptr, fmt, 1), kFail) << fmt;
    // Output past INT_MAX bytes is refused before it is made.
    EXPECT_EQ(lyr(nullptr, "%*d", INT_MAX, 1), kFail);
    EXPECT_EQ(lyr(nullptr, "x%*s", INT_MAX, "b"), kFail);
    EXPECT_EQ(errno, EOVERFLOW);
    char buf[8];
    va_list none{};
    EXPECT_EQ(lyr_vsprintf(nullptr, 1, buf, "x", none), -1);  // flags must be 0
    // The stream form writes the same and refuses the same.
    char out[64] = {};
    FILE *f = fmemopen(out, sizeof out, "w");
    ASSERT_NE(f, nullptr);
    const lyr_wchar_t w[] = {0xE9, 0};
    EXPECT_EQ(stream_print(f, "%s=%d %S", "x", 5, w), 6);
    EXPECT_EQ(stream_print(f, "%n", nullptr), -1);
    fclose(f);
    EXPECT_STREQ(out, "x=5 \xc3\xa9");
}

}  // namespace
