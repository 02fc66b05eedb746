// libjrnmsg printf: as the C library, %S/%C converted, %n and bad formats refused.
#include <jrnmsg/lyr.h>

#include <cstdarg>

#include "support/test_support.h"

namespace {

std::string lyr(lyr_cs_t cs, const char *fmt, ...) {
    char buf[4096];
    memset(buf, 'X', sizeof buf);
    va_list ap;
    va_start(ap, fmt);
    int n = lyr_vsprintf(cs, 0, buf, fmt, ap);
    va_end(ap);
    EXPECT_EQ(std::string(1, '\0') + "X", std::string(buf + (n < 0 ? 0 : n), 2));  // nothing past what was reported
    return n < 0 ? "<fail>" : std::string(buf, static_cast<size_t>(n));
}

__attribute__((format(printf, 1, 2))) std::string libc(const char *fmt, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return std::string(buf, static_cast<size_t>(n));
}

#define EXPECT_LIKE_LIBC(...) EXPECT_EQ(lyr(nullptr, __VA_ARGS__), libc(__VA_ARGS__))

TEST(LyrPrintf, ConversionsMatchTheCLibraryAndBadFormatsFail) {
    // Bare conversions take a road of their own, on the stack while the text fits.
    for (size_t len : {0u, 511u, 512u, 3000u})
        EXPECT_LIKE_LIBC("%d %i %u %x %X|%ld %lu %lX|%s%%", INT_MIN, 0, UINT_MAX, 0xABCDEFu, 0xABCDEFu, LONG_MIN,
                         ULONG_MAX, 0x7fffUL, std::string(len, 'z').c_str());
    EXPECT_LIKE_LIBC("%5d|%-5d|%05d|%+d|%#o %.3d|%hhd %lld %zu", 42, 42, -42, 42, 8u, 7, 300, LLONG_MIN, SIZE_MAX);
    EXPECT_LIKE_LIBC("%e %10.4f %g %Le|[%5c] [%.2s] [%-8s] %p|[%*d] [%.*f]", 1234.5678, 3.14159, 1e-10, 1.5L, 'b',
                     "abc", "abc", static_cast<void *>(&errno), 6, 1, 2, 3.14159);
    lyr_cs_t utf8 = lyr_cs_new("UTF8"), latin1 = lyr_cs_new("ISO-8859-1");
    const lyr_wchar_t gruss[] = {'G', 'r', 0xFC, 0xDF, 0};
    EXPECT_EQ(lyr(utf8, "<%S|%.3S|%C>", gruss, gruss, 0x20AC), "<Gr\xc3\xbc\xc3\x9f|Gr|\xe2\x82\xac>");
    EXPECT_EQ(lyr(latin1, "<%S>", gruss), "<Gr\xfc\xdf>");
    int n = 0;
    for (const char *bad : {"%d%n", "%", "%y", "%2$d", "%1$d %d"}) EXPECT_EQ(lyr(utf8, bad, 1, &n), "<fail>") << bad;
    EXPECT_EQ(lyr(latin1, "<%C>", 0x20AC), "<fail>");  // no euro in Latin-1
    EXPECT_EQ(n, 0);
    lyr_cs_free(utf8), lyr_cs_free(latin1);
}

}  // namespace
