// Formatting rules beyond the system's printf, two-pass use and wide text.
#include <sys/mman.h>

#include <random>

#include "support/test_support.h"

namespace {

// The text, or "<failed N>" with what the call returned.
std::string fmt(const char *format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    int n = zel_vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return n >= 0 ? buf : "<failed " + std::to_string(n) + ">";
}

TEST(FmtNumbering, PositionalSequentialMixedAndConflicting) {
    EXPECT_EQ("b a", fmt("%2$s %1$s", "a", "b"));
    EXPECT_EQ("2 1 2", fmt("%2$d %1$d %d", 1, 2));
    // Width and precision from numbered arguments, before or after the value.
    EXPECT_EQ("[   ab]", fmt("[%1$*2$.*3$s]", "abcdef", 5, 2));
    EXPECT_EQ("[ab   ]", fmt("[%3$-*1$.*2$s]", 5, 2, "abcdef"));
    // Sequential "*" arguments come before the value, in order.
    EXPECT_EQ("[  3.14]", fmt("[%*.*f]", 6, 2, 3.14159));
    // A "%%" takes a number but nothing from the list.
    EXPECT_EQ("1 % 2", fmt("%d %% %d", 1, 2));
    EXPECT_EQ("a % b", fmt("%1$s %% %s", "a", "b"));
    EXPECT_EQ("1 % 2", fmt("%1$d %% %2$d", 1, 2));
    // Gaps, bad numbers, and one argument read as an integer and a pointer or
    // as two floating sizes fail.
    for (const char *bad :
         {"%3$s", "%1$s %3$s", "%2$*3$d", "%0$d", "%2147483647$d", "%1$d %1$s", "%1$f %1$Lf", "%1$*1$s"})
        EXPECT_EQ("<failed -1>", fmt(bad, "a", "b", "c")) << bad;
    // Two integer readings of one argument agree; each narrows to its own size.
    EXPECT_EQ("65537 1 65537", fmt("%1$d %1$hd %1$lld", 65537));
    // 11 conversions and arguments (past the built-in arrays), and 31 (grown twice).
    EXPECT_EQ("k j i h g f e d c b a", fmt("%11$s %10$s %9$s %8$s %7$s %6$s %5$s %4$s %3$s %2$s %1$s", "a", "b", "c",
                                           "d", "e", "f", "g", "h", "i", "j", "k"));
    std::string format, want;
    for (int i = 0; i < 31; ++i) format += "%c", want += static_cast<char>('A' + i);
    EXPECT_EQ(want, fmt(format.c_str(), 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P',
                        'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '[', '\\', ']', '^', '_'));
}

TEST(FmtRejected, FormatsFailAndLeaveTheBufferAlone) {
    const char *bad[] = {"%lf",  "%hf",  "%le",  "%hhd",          "%lld%n",        "%a",    "%F",   "abc%", "%lld%",
                         "%lll", "%Lld", "%hld", "%qlx",          "%5*d",          "%.5*d", "%*5d", "%**d", "%1$*5d",
                         "%5$",  "%5.3", "%-",   "%99999999999d", "%.99999999999d"};
    for (const char *format : bad) {
        char buf[8];
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(-1, zel_snprintf(buf, sizeof buf, format, 1, 2, 3)) << format;
        EXPECT_EQ('#', buf[0]) << format;
        char *out = buf;
        EXPECT_EQ(-1, zel_asprintf(&out, format, 1, 2, 3)) << format;
        EXPECT_EQ(buf, out) << format;
    }
    EXPECT_EQ(-1, zel_snprintf(nullptr, 0, nullptr));
}

TEST(FmtConversions, FlagsAndLengthsOfItsOwn) {
    // (Flags that agree with the system are left to the differential test.)
    EXPECT_EQ("", fmt("%#.0o", 0));  // no digits: no octal 0 either
    EXPECT_EQ("00010 010", fmt("%#.5o %#.2o", 8, 8));
    EXPECT_EQ("    %", fmt("%5%"));
    EXPECT_EQ("%    |", fmt("%-5%|"));
    // A null pointer has no digits; a null string is empty.
    EXPECT_EQ("[   ][]", fmt("[%3p][%s]", nullptr, nullptr));
    EXPECT_EQ("0x00ff", fmt("%06p", reinterpret_cast<void *>(0xff)));
    // The precision clears the zero flag, of floating conversions too.
    EXPECT_EQ("  1.5|  007", fmt("%05.1f|%05.3d", 1.5, 7));
    // A width that is not positive pads nothing; a negative precision is none.
    EXPECT_EQ("[7][2.5][abc]", fmt("[%*d][%*.1f][%.*s]", -5, 7, -6, 2.5, -1, "abc"));
    // Lengths fetch their own sizes; a precision bounds the read of a string.
    EXPECT_EQ("-9223372036854775807 9223372036854775807 18446744073709551615",
              fmt("%lld %qd %Lu", -9223372036854775807LL, 9223372036854775807LL, 18446744073709551615ULL));
    const char raw[3] = {'x', 'y', 'z'};
    EXPECT_EQ("xy", fmt("%.2s", raw));
    // The record path caps widths and prints null strings as "(null)"; the
    // exported functions keep C's widths and the engine's empty null string.
    std::string text(5000, 'y');
    EXPECT_EQ(5000 + 1 + 5000 + 1 + 6000, zel_snprintf(nullptr, 0, "%5000d|%.5000s|%*d", 1, text.c_str(), 6000, 2));
}

int parse(zel_fmt_ctx *ctx, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int rc = zel_vsnprintf_parse(ctx, nullptr, format, args);
    va_end(args);
    return rc;
}

TEST(FmtTwoPassAndAsprintf, RenderOneParseManyTimes) {
    zel_fmt_ctx ctx;
    std::string arg(40, 'q');
    ASSERT_EQ(
        0, parse(&ctx, "%s-%d-%s-%d-%s-%d-%s-%d-%s-%d-%s-%d", "a", 1, "b", 2, "c", 3, arg.c_str(), 4, "e", 5, "f", 6));
    int n = zel_vsnprintf_render(&ctx, nullptr, 0);
    std::string want = "a-1-b-2-c-3-" + arg + "-4-e-5-f-6";
    ASSERT_EQ(static_cast<int>(want.size()), n);
    // Grow the buffer as a caller that renders again would.
    for (int size : {8, 16, n + 1}) {
        std::string buf(static_cast<size_t>(size), '#');
        EXPECT_EQ(n, zel_vsnprintf_render(&ctx, &buf[0], size));
        EXPECT_EQ(want.substr(0, static_cast<size_t>(size - 1)), buf.c_str());
    }
    zel_vsnprintf_done(&ctx);
    zel_vsnprintf_done(&ctx);  // twice is harmless
    // A failed parse leaves a released context behind.
    EXPECT_EQ(-1, parse(&ctx, "%d%d%d%d%d%d%d%d%d%d%d%q", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11));
    zel_vsnprintf_done(&ctx);
    // asprintf allocates the whole text.
    char *out = nullptr;
    std::string big(1000, 'z');
    EXPECT_EQ(1006, zel_asprintf(&out, "<%s|%3d>", big.c_str(), 7));
    EXPECT_EQ("<" + big + "|  7>", zeltest::taken(out));
    out = nullptr;
    EXPECT_EQ(0, zel_asprintf(&out, ""));
    EXPECT_STREQ("", out);
    zel_asprintf_free(out);
    EXPECT_EQ(-1, zel_asprintf(nullptr, "x"));
}

const lyr_wchar_t kText[] = {'H', 0xE9, 0x20AC, 0};  // "H", e acute, euro: 1 + 2 + 3 bytes in UTF-8
const lyr_cs_t utf8 = lyr_cs_new("UTF8"), latin1 = lyr_cs_new("ISO-8859-1");

// "length:text" of a call with a roomy buffer (size 0), or "length:bytes" of
// all `size` + 1 bytes of a buffer of `size`, "#" marking those never written.
std::string wide(lyr_cs_t cs, int size, const char *format, ...) {
    char buf[64];
    memset(buf, '#', sizeof buf);
    va_list args;
    va_start(args, format);
    int n = zel_vsnprintf_cs(buf, size ? size : 32, cs, format, args);
    va_end(args);
    return std::to_string(n) + ":" + (size ? std::string(buf, static_cast<size_t>(size) + 1) : n >= 0 ? buf : "");
}

TEST(FmtWide, ConvertsThroughTheCodeSetCuttingAfterWholeCharacters) {
    ASSERT_TRUE(utf8 && latin1);
    EXPECT_EQ("8:<H\xC3\xA9\xE2\x82\xAC>", wide(utf8, 0, "<%S>", kText));
    EXPECT_EQ("4:\xE9  x", wide(latin1, 0, "%C%3C", 0xE9, 'x'));
    // (Widths, precisions and cuts of %S are the random comparison's below.)
    EXPECT_EQ("4:    ", wide(utf8, 0, "%4S", nullptr));
    // The default code set is UTF-8 until a program sets another.
    char buf[8];
    EXPECT_EQ(2, zel_snprintf(buf, sizeof buf, "%C", 0xE9));
    EXPECT_STREQ("\xC3\xA9", buf);
    EXPECT_EQ(std::string("3:\0##", 5), wide(utf8, 2, "%C", 0x20AC));
    // A character the code set lacks fails the call.
    EXPECT_EQ("-1:", wide(latin1, 0, "%C", 0x20AC));
    // A later numbered argument renumbers the earlier ones, also when measuring.
    EXPECT_EQ(8, zel_snprintf_cs(nullptr, 0, latin1, "%%%C|%1$5d", 0x20AC, 65));
    EXPECT_EQ("1:H", wide(latin1, 0, "%.1S", kText));  // the euro past the precision is never converted
    char *out = buf;
    EXPECT_EQ(-1, zel_asprintf_cs(&out, latin1, "%C", 0x20AC));
    EXPECT_EQ(nullptr, out);
}

TEST(FmtWide, FamiliesPickTheirCodeSets) {
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
    EXPECT_EQ("\xC3\xA9", zeltest::taken(out));
}

// Random wide strings, widths, precisions and buffer sizes in five code sets
// against the characters converted alone; a character no set has anywhere.
TEST(FmtWide, StringsAgreeWithTheirCharactersConvertedAlone) {
    static lyr_cs_t sets[] = {utf8, latin1, lyr_cs_new("IBM037"), lyr_cs_new("EUC-JP"), lyr_cs_new("ISO646-DE")};
    ASSERT_TRUE(sets[2] && sets[3] && sets[4]);
    const lyr_wchar_t alphabet[] = {'a', 'Z', '/', '[', 0xE9, 0x20AC, 0x3042};
    std::mt19937 rng(17);
    for (int round = 0; round < 4000; ++round) {
        lyr_cs_t cs = sets[round % 5];
        std::vector<lyr_wchar_t> ws(rng() % 8 ? rng() % 10 : 250 + rng() % 20, 0);
        for (lyr_wchar_t &u : ws) u = alphabet[rng() % (round % 3 ? 4 : 7)];
        if (round % 4 == 0 && !ws.empty()) ws[rng() % ws.size()] = 0xD800;
        ws.push_back(0);
        bool left = rng() % 2;
        int width = static_cast<int>(rng() % (ws.size() > 100 ? 300 : 12));
        int precision = rng() % 3 ? -1 : static_cast<int>(rng() % ws.size() * 2), n = 0;
        std::string text;
        std::vector<bool> whole(1, true);  // whether the output may end at each length of text
        char bytes[8];
        for (size_t i = 0; ws[i] && (n = lyr_wctomb(cs, bytes, ws[i])) >= 0 &&
                           (precision < 0 || static_cast<int>(text.size()) + n <= precision);
             ++i)
            text.append(bytes, n), whole.resize(text.size(), false), whole.push_back(true);
        std::string pad(std::max(0, width - static_cast<int>(text.size())), ' ');
        std::string full = n < 0 ? "<" : "<" + (left ? text + pad : pad + text) + ">";
        whole.insert(whole.begin(), left ? 1 : 1 + pad.size(), true);
        whole.resize(full.size() + 1, true);
        for (size_t size = 0; size < full.size() + 3; size += size < 40 ? 1 : 41) {
            size_t cut = std::min(size ? size - 1 : 0, full.size());
            while (!whole[cut]) --cut;
            std::string got(size + 4, '#'), expect = size ? full.substr(0, cut) + '\0' + got.substr(cut + 1) : got;
            int r = zel_snprintf_cs(size ? &got[0] : nullptr, static_cast<int>(size), cs, left ? "<%-*.*S>" : "<%*.*S>",
                                    width, precision, ws.data());
            ASSERT_EQ((n < 0 ? "-1:" : std::to_string(full.size()) + ":") + expect, std::to_string(r) + ":" + got)
                << width << "." << precision << " in set " << round % 5;
        }
    }
}

}  // namespace

// Formats and strings ending just before an unreadable page, at every alignment.
TEST(FmtScan, StopsAtTheEndOfTheLastReadablePage) {
    long page = sysconf(_SC_PAGESIZE);
    char *area =
        static_cast<char *>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(area, MAP_FAILED);
    ASSERT_EQ(mprotect(area + page, page, PROT_NONE), 0);
    char *page_end = area + page;
    for (int len = 2; len <= 40; ++len) {
        // A format "xx...%s" of len characters and its NUL, ending the page.
        char *format = page_end - len - 1;
        memset(format, 'x', len);
        memcpy(format + len - 2, "%s", 3);
        char *arg = format - 64;  // a string that ends where the format starts
        memset(arg, 'y', 63);
        arg[63] = '\0';
        char buf[160];
        int n = zel_snprintf(buf, sizeof buf, format, arg + 63 - (len % 17));
        EXPECT_EQ(n, len - 2 + len % 17) << len;
        // The string argument itself ending the page.
        memset(format, 'z', len);
        format[len] = '\0';
        EXPECT_EQ(zel_snprintf(buf, sizeof buf, "<%s>", format), len + 2) << len;
    }
    munmap(area, 2 * page);
}
