// Message and trace entry points end to end.
#include <atomic>
#include <clocale>
#include <regex>
#include <sstream>
#include <thread>

#include "svc_test_util.h"

namespace {

using namespace zeltest;

// Each case starts the services and gets a fresh folder for its logs.
class Entry : public ::testing::Test {
protected:
    void SetUp() override { start_svctest(); }
    std::string file(const char *name) { return dir_.file(name); }
    std::string text_of(const char *name) { return read_file(dir_.file(name)); }
    TempDir dir_;
};
using MessageRoutes = Entry;
using Traces = Entry;

// Past the table: no sub-component and no trace; XML parameters keep 10000 bytes.
TEST_F(MessageRoutes, IndexPastTheTableEndAndLongestXmlParameter) {
    set_routes("ERROR:FILE:" + file("a.log") + ";XMLFILE:" + file("a.xml"));
    zel_svc_printf_withfile(zelmox_client_svc_handle, "src/t.cc", 9, "%s%d", 3, 0x20, ZEL_S_SYSTEM_ROUTINE_ERROR, "x",
                            1);
    EXPECT_TRUE(has(text_of("a.log"), " ERROR qpc  t.cc 9 ")) << text_of("a.log");
    set_trace_routes("qpc:*.9:STDERR:");
    testing::internal::CaptureStderr();
    zel_svc__debug(zelmox_client_svc_handle, 3, 1, "past the end");
    zel_svc__debug(zelmox_client_svc_handle, 1000000, 1, "far past the end");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());

    std::string value(10000, 'v');
    routine_error(ZEL_SVC_SEV_ERROR, value.c_str(), 7);
    EXPECT_TRUE(has(text_of("a.xml"), "<Param><![CDATA[" + value + "]]></Param>")) << text_of("a.xml").size();
}

// A text record goes to its log file in one write, with the bytes of the
// console's copy through stdio (whose prefix ends in a newline instead): also
// a text longer than any buffer, cut at the record limit, and a prefix too
// long for the stack. What others left in the file's stream comes first.
TEST_F(MessageRoutes, LogFileRecordsMatchTheConsoleCopy) {
    set_routes("ERROR:FILE:" + file("a.log") + ";STDERR:");
    std::string big(100000, 'b'), long_name(600, 'f');
    const std::pair<std::string, std::string> cases[] = {{"t.cc", "x"}, {"t.cc", ""}, {"t.cc", big}, {long_name, "y"}};
    testing::internal::CaptureStderr();
    for (const auto &[name, word] : cases) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, name.c_str(), 9, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                                ZEL_S_SYSTEM_ROUTINE_ERROR, word.c_str(), 1);
        if (&word == &cases[0].second)
            std::fputs("pending\n", zel_svc_fileroutes[zel_svc_g_num_fileroutes - 1]->stream);
    }
    std::istringstream err(testing::internal::GetCapturedStderr());
    std::string want;
    for (std::string prefix, text; std::getline(err, prefix) && std::getline(err, text);) {
        want += prefix + " " + text + "\n" + (want.empty() ? "pending\n" : "");
    }
    EXPECT_EQ(want, text_of("a.log"));
    EXPECT_TRUE(has(want, " KVXSC0156E   The " + std::string(64 * 1024 - 17, 'b') + "\n"));
}

// A record written while the process exits, after the thread's memo of
// message texts is gone, still has its text.
TEST_F(MessageRoutes, RecordAtExitAfterTheThreadsMemoIsGone) {
    std::string err = stderr_of_child([] {
        set_routes("ERROR:STDERR:");
        routine_error(ZEL_SVC_SEV_ERROR, "live", 1);
        std::atexit([] { routine_error(ZEL_SVC_SEV_ERROR, "exiting", 2); });
        std::exit(0);
    });
    EXPECT_TRUE(has(err, "The live system") && has(err, "The exiting system")) << err;
}

TEST_F(MessageRoutes, NoRoutingAndStderrCopy) {
    set_routes("ERROR:FILE:" + file("a.log"));
    testing::internal::CaptureStderr();
    routine_error(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_ROUTING, "a", 1);
    routine_error(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_ROUTING | ZEL_SVC_ATTR_ALSO_STDERR, "b", 2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(has(err, "\nKVXSC0156E   The b system") && !has(err, "The a system")) << err;
    EXPECT_EQ("", text_of("a.log"));
}

TEST_F(MessageRoutes, AbortAndExitAfterTheWrites) {
    std::string log = file("a.log");
    set_routes("FATAL:FILE:" + log + ";STDERR:");
    EXPECT_EXIT(routine_error(ZEL_SVC_SEV_FATAL | ZEL_SVC_ATTR_ABORT, "x", 1), testing::KilledBySignal(SIGABRT),
                "The x system routine failed");
    EXPECT_TRUE(has(read_file(log), "FATAL qpc core")) << log;
    // Abort wins over exit; exit 1 over exit 0.
    const unsigned32 notice = ZEL_SVC_SEV_NOTICE, success = ZEL_SVC_ATTR_EXIT_SUCCESS,
                     failure = ZEL_SVC_ATTR_EXIT_FAILURE;
    EXPECT_EXIT(routine_error(notice | success, "z", 3), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(routine_error(notice | success | failure | ZEL_SVC_ATTR_ALSO_STDERR, "y", 2),
                testing::ExitedWithCode(1), "The y system routine failed");
    EXPECT_EXIT(routine_error(notice | failure | ZEL_SVC_ATTR_ABORT, "z", 3), testing::KilledBySignal(SIGABRT), "");
    // A null handle returns at once, whatever the attribute word asks.
    zel_svc_printf_withfile(nullptr, "f", 1, "", 0, 0x1010, ZEL_S_NO_MEMORY);
}

int g_filter_calls;
int drop_all(zel_svc_prolog *, va_list) {
    ++g_filter_calls;
    return 0;
}

TEST_F(MessageRoutes, FilterDropsMessageAndItsAbort) {
    static zel_svc_subcomp table[] = {{"one", "first", 0, 0}, {nullptr, nullptr, 0, 0}};
    unsigned32 st;
    zel_svc_handle *handle = zel_svc_register(table, "flt", &st);
    ASSERT_NE(nullptr, handle);
    set_routes("ERROR:FILE:" + file("a.log"));
    handle->filter = drop_all;
    routine_error(0x1020, "a", 1, handle);  // abort asked, but dropped
    EXPECT_EQ(1, g_filter_calls);
    EXPECT_EQ("", text_of("a.log"));
    handle->filter = nullptr;
    routine_error(0x20, "a", 1, handle);
    EXPECT_TRUE(has(text_of("a.log"), " flt one t.cc 9 "));
    zel_svc_unregister(handle, &st);
}

TEST_F(Traces, LevelsDecideWhatIsWritten) {
    std::string log = file("t.log");
    set_trace_routes("qpc:core.5,admin.0:FILE:" + log);
    for (unsigned32 level = 1; level <= 9; ++level) {
        zel_svc__debug(zelmox_client_svc_handle, 0, level, "core %u", level);
        zel_svc__debug(zelmox_client_svc_handle, 1, level, "admin %u", level);
    }
    std::string text = read_file(log);
    EXPECT_EQ(5, std::count(text.begin(), text.end(), '\n')) << text;
    EXPECT_TRUE(has(text, " DEBUG5 qpc core ? 0 0x")) << text;
    EXPECT_FALSE(has(text, "admin"));
    // A message with a level takes the debug routes whatever the level.
    zel_svc_printf_withfile(zelmox_client_svc_handle, "m.cc", 3, "", 1, 9, ZEL_S_NO_MEMORY);
    EXPECT_TRUE(has(read_file(log), "DEBUG9 qpc admin m.cc 3"));
    zel_svc_g_brief = 1;  // brief: such a message loses its prefix as a trace does
    zel_svc_printf_withfile(zelmox_client_svc_handle, "m.cc", 3, "", 0, 1, ZEL_S_NO_MEMORY);
    zel_svc_g_brief = 0;
    EXPECT_TRUE(has(read_file(log), "\nKVXSC0151E")) << read_file(log);
}

// Traces read the levels without the mutex while another thread sets them:
// a trace that the new level lets through is written.
TEST_F(Traces, LevelsChangeWhileOtherThreadsTrace) {
    std::string log = file("t.log");
    set_trace_routes("qpc:core.1:FILE:" + log);
    std::atomic<bool> done{false};
    std::thread tracer([&] {
        while (!done.load()) zel_svc__debug(zelmox_client_svc_handle, 0, 9, "deep");
    });
    unsigned32 st;
    for (int i = 0; i < 200; ++i) zel_svc_debug_set_levels(i % 2 ? "qpc:core.2" : "qpc:core.1", &st);
    done = true;
    tracer.join();
    EXPECT_EQ("", read_file(log));
    zel_svc_debug_set_levels("qpc:core.9", &st);
    zel_svc__debug(zelmox_client_svc_handle, 0, 9, "deep");
    EXPECT_TRUE(has(read_file(log), " DEBUG9 qpc core ? 0 0x")) << read_file(log);
}

TEST_F(Traces, Utf8WithFileSplitsPrefixAndText) {
    std::string log = file("t.log");
    set_trace_routes("qpc:*.9:FILE:" + log);
    zel_svc__debug_utf8(zelmox_client_svc_handle, 0, 1, "one %d", 1);
    zel_svc__debug_utf8_withfile(zelmox_client_svc_handle, "u.cc", 4, 0, 1, "two %d", 2);
    std::string text = read_file(log);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(0x[0-9a-f]{8} one 1\n[^\n]*u\.cc 4 0x[0-9a-f]{8}\ntwo 2\n)")))
        << text;
}

// In a Latin-1 process each destination gets its kind's code set.
void code_set_pairs() {
    if (!std::setlocale(LC_ALL, "de_DE.iso88591")) _exit(77);
    setenv("LC_ALL", "de_DE.iso88591", 1);  // start-up reads the locale from the environment
    start_svctest();
    TempDir dir;
    std::string routes = "FILE:" + dir.file("l.log") + ";UTF8FILE:" + dir.file("u.log");
    set_routes("ERROR:" + routes);
    routine_error(0x20, "\xE9", 1);
    zel_svc_printf_cs_withfile(zelmox_client_svc_handle, 1, "f", 1, "%s%d", 0, 0x20, ZEL_S_SYSTEM_ROUTINE_ERROR,
                               "\xC3\xA8", 2);
    set_trace_routes("qpc:*.9:" + routes);
    zel_svc__debug(zelmox_client_svc_handle, 0, 1, "T3 %s", "\xE0");
    zel_svc__debug_utf8(zelmox_client_svc_handle, 0, 1, "T4 %s", "\xC3\xBC");
    std::string l = read_file(dir.file("l.log")), u = read_file(dir.file("u.log"));
    const char *const wanted[][2] = {{"The \xE9 system", "The \xC3\xA9 system"},
                                     {"The \xE8 system", "The \xC3\xA8 system"},
                                     {"T3 \xE0\n", "T3 \xC3\xA0\n"},
                                     {"T4 \xFC\n", "T4 \xC3\xBC\n"}};
    bool ok = true;
    for (const auto &w : wanted) ok = ok && has(l, w[0]) && has(u, w[1]);
    if (!ok) std::fprintf(stderr, "local:\n%s\nutf8:\n%s\n", l.c_str(), u.c_str());
    _exit(ok ? 0 : 1);
}

TEST(CodeSets, EachDestinationGetsItsCodeSet) {
    int rc = run_in_child(code_set_pairs);
    if (rc == 77) GTEST_SKIP() << "no de_DE.iso88591 locale";
    EXPECT_EQ(0, rc);
}

TEST(Assertions, FatalRecordThenAbort) {
    start_svctest();
    EXPECT_EXIT(zel___assert(nullptr, "utc != NULL", "core/svcutl/utcapi", 1101), testing::KilledBySignal(SIGABRT),
                "FATAL dce assert dceassert 54 .*\n.*Assertion failed: \"utc != NULL\" in file "
                "core/svcutl/utcapi at line 1101");
    EXPECT_EXIT(({
                    set_routes("FATAL:DISCARD:");
                    zel___assert(nullptr, "x", "f", 1);
                }),
                testing::KilledBySignal(SIGABRT), "^(qemu: .*)?$");
}

}  // namespace

namespace {

// One call has one text on every route kind: a text file, a UTF-8 file, an
// XML file, the console and the standard-error copy; for messages and traces
// on both code-set roads, whether the engine takes the format or rejects it
// (then the record carries the format itself).
void one_text_on_every_route() {
    setenv("LC_ALL", "C.UTF-8", 1);
    start_svctest();
    static const zel_msg_row rows[] = {{0x44440001, "KVXSC9001E   count %d of %-4s\xC3\xA9"},
                                       {0x44440002, "KVXSC9002E   lf=%lf zu=%zu"}};
    unsigned32 st;
    zel_msg_define_msg_table(rows, 2, &st);
    TempDir dir;
    int report = dup(2);  // the test's own standard error, for what went wrong
    if (!freopen(dir.file("out").c_str(), "w", stdout) || !freopen(dir.file("err").c_str(), "w", stderr)) _exit(2);
    std::string routes = every_route_kind(dir);
    zel_svc_routing(("ERROR:" + routes).c_str(), &st);
    zel_svc_debug_routing(("qpc:*.9:" + routes).c_str(), &st);
    const unsigned32 error = ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_ALSO_STDERR;
    zel_svc_handle *h = zelmox_client_svc_handle;
    for (int cs = 0; cs < 2; ++cs) {
        zel_svc_printf_cs_withfile(h, cs, "m.cc", 1, "%d%s", 0, error, 0x44440001, 7, "x");
        zel_svc_printf_cs_withfile(h, cs, "m.cc", 2, "%lf%zu", 0, error, 0x44440002, 2.5, size_t{3});
    }
    zel_svc__debug_withfile(h, "t.cc", 3, 0, 1, "count %d of %-4s\xC3\xA9", 7, "x");
    zel_svc__debug_utf8(h, 0, 1, "count %d of %-4s\xC3\xA9", 7, "x");
    zel_svc__debug_utf8_withfile(h, "t.cc", 4, 0, 1, "count %d of %-4s\xC3\xA9", 7, "x");
    zel_svc__debug_withfile(h, "t.cc", 5, 0, 1, "lf=%lf zu=%zu", 2.5, size_t{3});
    zel_svc__debug_utf8(h, 0, 1, "lf=%lf zu=%zu", 2.5, size_t{3});
    zel_svc__debug_utf8_withfile(h, "t.cc", 6, 0, 1, "lf=%lf zu=%zu", 2.5, size_t{3});
    std::fflush(stdout);
    std::fflush(stderr);

    auto count = [](const std::string &text, const std::string &part) {
        int n = 0;
        for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++n;
        return n;
    };
    bool ok = true;
    // Messages: two of each text per route and on the copy; traces three.
    for (const char *name : {"f", "u", "x", "out", "err"}) {
        std::string all = read_file(dir.file(name));
        bool xml = name[0] == 'x', copy = name[0] == 'e';
        for (const auto &[code, text] :
             {std::pair<std::string, std::string>{"KVXSC9001E   ", "count 7 of x   \xC3\xA9"},
              {"KVXSC9002E   ", "lf=%lf zu=%zu"}}) {
            // In the text form a message's text also ends in " TEXT\n".
            int messages =
                xml ? count(all, "<LogText><![CDATA[" + code + text + " ]]>") : count(all, code + text + "\n");
            int traces = xml ? count(all, "<LogText><![CDATA[" + text + " ]]>")
                             : count(all, " " + text + "\n") + count(all, "\n" + text + "\n") - messages;
            bool good = messages == 2 && traces == (copy ? 0 : 3);
            if (!good)
                dprintf(report, "%s: %d messages, %d traces of \"%s\" in\n%s\n", name, messages, traces, text.c_str(),
                        all.c_str());
            ok = ok && good;
        }
    }
    _exit(ok ? 0 : 1);
}

}  // namespace

TEST(CrossRoute, OneTextOnEveryRouteKind) { EXPECT_EQ(0, run_in_child(one_text_on_every_route)); }
