// Program messages: every member's text, prefix, line end and result, the
// native cut at a whole character, code-set conversion of the UTF-8 members,
// hostile catalog texts and the cancellation state around a call.
#include <clocale>

#include "support/test_support.h"

namespace {

using namespace zeltest;

constexpr unsigned32 kOpenFailed = 0x3665A0A2;  // "... Could not open file %s (system error code: %d)."
constexpr unsigned32 kBracket = 0x3665A0A4;     // "... no terminating bracket on the stanza name: %S."
const std::string kOpenText = "KVXSC0162E   Could not open file /etc/x (system error code: 2).";

// A string member's text ("(null)" for none) and 0, or what a stream member
// wrote to standard output and its result; errno right after the call.
using Out = std::pair<std::string, int>;
int g_errno;
Out string_out(char *text) { return g_errno = errno, Out{taken(text), 0}; }
Out stdout_out(const std::function<int()> &call) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    int result = call();
    g_errno = errno;
    std::fflush(stdout);
    return {testing::internal::GetCapturedStdout(), result};
}

// The va_list members are reached through the variadic ones, which call them.
struct Member {
    const char *name;
    bool native, pgm, stream;
    Out (*call)(unsigned32 code);  // with the arguments "/etc/x" and 2
};
#define STR(expr) [](unsigned32 c) { return string_out(expr); }
#define OUT(expr) [](unsigned32 c) { return stdout_out([c] { return expr; }); }
const Member kMembers[] = {
    {"sprintf", true, false, false, STR(zel_sprintf(c, "/etc/x", 2))},
    {"pgm_sprintf", true, true, false, STR(zel_pgm_sprintf(c, "/etc/x", 2))},
    {"sprintf_utf8", false, false, false, STR(zel_sprintf_utf8(c, "/etc/x", 2))},
    {"pgm_sprintf_utf8", false, true, false, STR(zel_pgm_sprintf_utf8(c, "/etc/x", 2))},
    {"fprintf", true, false, true, OUT(zel_fprintf(stdout, c, "/etc/x", 2))},
    {"printf", true, false, true, OUT(zel_printf(c, "/etc/x", 2))},
    {"pgm_fprintf", true, true, true, OUT(zel_pgm_fprintf(stdout, c, "/etc/x", 2))},
    {"pgm_printf", true, true, true, OUT(zel_pgm_printf(c, "/etc/x", 2))},
    {"fprintf_utf8", false, false, true, OUT(zel_fprintf_utf8(stdout, c, "/etc/x", 2))},
    {"printf_utf8", false, false, true, OUT(zel_printf_utf8(c, "/etc/x", 2))},
    {"pgm_fprintf_utf8", false, true, true, OUT(zel_pgm_fprintf_utf8(stdout, c, "/etc/x", 2))},
    {"pgm_printf_utf8", false, true, true, OUT(zel_pgm_printf_utf8(c, "/etc/x", 2))},
};

class ProgramMessages : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZEL_CATALOG_DIR");
        setenv("NLSPATH", (dir_.path() + "/%L/%N").c_str(), 1);
    }
    void start(const char *locale) {
        setenv("LC_ALL", locale, 1);
        zelmsg_init("tool", 0);
    }
    TempDir dir_;
};

// A code without text: the native members still say so, the UTF-8 ones give nothing.
TEST_F(ProgramMessages, EveryMemberGivesItsTextPrefixLineEndAndResult) {
    start("C");
    for (const Member &m : kMembers) {
        for (unsigned32 code : {kOpenFailed, 0x3665A0C8u}) {
            std::string text = code == kOpenFailed ? kOpenText : "Unknown message number 0x3665a0c8";
            bool none = code != kOpenFailed && !m.native;
            std::string prefix = m.pgm ? "tool:  " : "";
            Out wanted = !m.stream ? Out{none ? "(null)" : prefix + text, 0}
                         : none    ? Out{"", -1}
                                   : Out{prefix + text + (m.pgm ? "\n" : ""), static_cast<int>(text.size())};
            errno = EBADF;
            EXPECT_EQ(wanted, m.call(code)) << m.name << " " << std::hex << code;
            EXPECT_EQ(0, g_errno) << m.name;
        }
    }
    EXPECT_EQ("tool:  KVXSC0151E   Memory could not be allocated.", taken(zel_pgm_sprintf(ZEL_S_NO_MEMORY)));
}

// A hostile translation of a message without arguments is never formatted,
// nor a width beyond the record cap; a faithful one arrives in each member's
// code set, its %S argument too.
TEST_F(ProgramMessages, CatalogTextsAreCheckedAndConvertedInALatin1Locale) {
    compile_catalog(dir_.file("de_DE.ISO-8859-1/vrqpc.cat"),
                    "$set 1\n$quote \"\n151 \"%s%s%s%s%s\"\n162 \"%999999999s%d\"\n164 \"Klammer f\xE4hlt: %S.\"\n",
                    "de_DE.ISO-8859-1");
    if (!std::setlocale(LC_ALL, "de_DE.ISO-8859-1")) GTEST_SKIP() << "no de_DE.ISO-8859-1 locale";
    start("de_DE.ISO-8859-1");
    const auto *wide = reinterpret_cast<const lyr_wchar_t *>(u"\u00fc");
    const std::string nomem = "KVXSC0151E   Memory could not be allocated.";
    const std::pair<Out, Out> cases[] = {
        {string_out(zel_sprintf(kBracket, wide)), {"Klammer f\xE4hlt: \xFC.", 0}},
        {string_out(zel_sprintf_utf8(kBracket, wide)), {"Klammer f\xC3\xA4hlt: \xC3\xBC.", 0}},
        {stdout_out([&] { return zel_pgm_printf_utf8(kBracket, wide); }), {"tool:  Klammer f\xE4hlt: \xFC.\n", 17}},
        // The width counts UTF-8 bytes; the line is written in Latin-1.
        {stdout_out([] { return zel_printf_utf8(kOpenFailed, "\xC3\xA4", 2); }),
         {std::string(4094, ' ') + "\xE4\x32", 4096}},
        {stdout_out([] { return zel_printf(kOpenFailed, "x", 2); }), {std::string(4095, ' ') + "x2", 4097}},
        {string_out(zel_sprintf(ZEL_S_NO_MEMORY)), {nomem, 0}},
        {string_out(zel_sprintf_utf8(ZEL_S_NO_MEMORY)), {nomem, 0}},
        {stdout_out([] { return zel_printf(ZEL_S_NO_MEMORY); }), {nomem, 43}},
    };
    for (const auto &[got, wanted] : cases) EXPECT_EQ(wanted, got);
}

// A native string holds at most 4095 bytes; an 'ä' (two bytes) that would
// straddle the limit is left out whole, one that ends at it is kept.
TEST_F(ProgramMessages, NativeStringsAreCutAtTheLastWholeCharacter) {
    if (!std::setlocale(LC_ALL, "de_DE.utf8")) GTEST_SKIP() << "no de_DE.utf8 locale";
    start("de_DE.utf8");
    const std::string lead = "KVXSC0162E   Could not open file ";
    for (bool pgm : {false, true}) {
        std::string prefix = pgm ? "tool:  " : "";
        for (size_t at : {4092u, 4093u, 4094u}) {  // where an 'ä' starts
            std::string arg = std::string(at - prefix.size() - lead.size(), 'a');
            while (arg.size() < 4200) arg += "\xC3\xA4";
            std::string got = taken((pgm ? zel_pgm_sprintf : zel_sprintf)(kOpenFailed, arg.c_str(), 2));
            EXPECT_TRUE((prefix + lead + arg).substr(0, 4095 - (4095 - at) % 2) == got) << pgm << " " << at;
        }
    }
}

// With a cancel pending, a call completes (cancellation is off inside) and
// leaves the state as it found it: enabled, the cancel then ends the thread.
TEST_F(ProgramMessages, CancellationIsOffDuringACallAndRestoredAfter) {
    start("C");
    static int state, result, after;
    for (int s : {PTHREAD_CANCEL_ENABLE, PTHREAD_CANCEL_DISABLE}) {
        state = s, result = -2, after = -1;
        pthread_t thread;
        void *ended = nullptr;
        auto body = [](void *) -> void * {
            static FILE *null = std::fopen("/dev/null", "w");
            setvbuf(null, nullptr, _IONBF, 0);  // each write a cancellation point
            pthread_setcancelstate(state, nullptr);
            pthread_cancel(pthread_self());
            result = zel_pgm_fprintf(null, ZEL_S_NO_MEMORY) + zel_pgm_fprintf_utf8(null, ZEL_S_NO_MEMORY);
            pthread_setcancelstate(state, &after);
            pthread_testcancel();
            return nullptr;
        };
        ASSERT_TRUE(pthread_create(&thread, nullptr, body, nullptr) == 0 && pthread_join(thread, &ended) == 0);
        // Both messages written, the state as it was, and a pending cancel acted on only when enabled.
        EXPECT_EQ(std::make_tuple(2 * 43, s, s == PTHREAD_CANCEL_ENABLE),
                  std::make_tuple(result, after, ended == PTHREAD_CANCELED));
    }
}

}  // namespace
