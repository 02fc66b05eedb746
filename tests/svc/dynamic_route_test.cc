// Dynamic routes: connecting, printing, refusing and removing them, also
// while other threads print through them or are cancelled inside a print.
#include <mutex>

#include "svc/core/core_state.h"
#include "svc_test_util.h"

namespace {

using namespace zeltest;

std::mutex g_mutex;
std::string g_events;                                    // lines "open PARAM", "close DATA", "FORMAT|TEXT"
std::atomic<int> g_in_print{0}, g_prints{0}, g_late{0};  // late: a callback after removal
std::atomic<bool> g_removed{false}, g_block{false};

void note(const std::string &event) {
    std::lock_guard<std::mutex> hold(g_mutex);
    g_events += event + "\n";
}
void on_open(const char *, const char *parameter, void *, void **route_data, int *accepted) {
    note(std::string("open ") + parameter);
    *route_data = const_cast<char *>("rd");
    *accepted = std::strcmp(parameter, "refuse") != 0;
}
void on_print(void *data, void *, zel_svc_prolog *header, va_list args) {
    ++g_in_print;
    g_late += g_removed;
    char text[512];
    vsnprintf(text, sizeof text, header->format, args);
    if (!data) note(std::string(header->format) + "|" + text);
    while (g_block) pthread_testcancel();  // not a blocking call: the thread sanitizer follows its unwinding
    if (data) usleep(500);                 // long enough for a removal to find it running
    ++g_prints;
    --g_in_print;
}
void on_close(const char *, void *, void *route_data, unsigned32 *) {
    g_late += g_in_print;  // a close must not overlap a print
    note(std::string("close ") + (route_data ? "rd" : "null"));
}

std::string events() {
    std::lock_guard<std::mutex> hold(g_mutex);
    return std::exchange(g_events, {});
}
unsigned32 add(const char *name, zel_svc_dyn_print_fn print = on_print, void *data = nullptr) {
    unsigned32 st = 1;
    zel_svc_add_route(name, data, on_open, print, on_close, &st);
    return st;
}
unsigned32 remove(const char *name) { return status_of(zel_svc_remove_route, name); }

TEST(DynamicRoutes, ConnectPrintRemoveAndCloseOnce) {
    start_svctest();
    static zel_svc_subcomp table[] = {{"one", "first", 0, 0}, {nullptr, nullptr, 0, 0}};
    unsigned32 st;
    zel_svc_handle *handle = zel_svc_register(table, "dyt", &st);
    set_routes("ERROR:DYN:sev");
    set_trace_routes("dyt:*.9:DYN:dbg");
    testing::internal::CaptureStderr();
    routine_error(ZEL_SVC_SEV_ERROR, "early", 1);  // at the fallback until added
    ASSERT_EQ(0u, add("DYN"));
    EXPECT_EQ(0u, add("DYN", [](void *, void *, zel_svc_prolog *, va_list) { note("second"); }));  // the first stays
    routine_error(ZEL_SVC_SEV_ERROR, "plain", 2);
    zel_svc_printf_cs_withfile(zelmox_client_svc_handle, 1, "f.cc", 1, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                               ZEL_S_SYSTEM_ROUTINE_ERROR, "cs", 3);
    zel_svc__debug(handle, 0, 1, "trace %d", 4);
    zel_svc__debug_utf8(handle, 0, 1, "utf8 %d", 5);
    zel_svc__debug_utf8_withfile(handle, "f.cc", 1, 0, 1, "withfile %d", 6);
    zel_svc_msgsave_start(0, 0, 0);  // a saved message reaches the route once, when printed
    routine_error(ZEL_SVC_SEV_ERROR, "saved", 8);
    zel_svc_msgsave_print(-1);
    zel_svc_msgsave_stop(1);
    EXPECT_EQ(0u, remove("DYN"));
    routine_error(ZEL_SVC_SEV_ERROR, "gone", 7);
    set_routes("ERROR:STDERR:");  // the routes that held it are closed: no second close
    set_trace_routes("dyt:*.9:DISCARD:");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(has(err, "The early system") && has(err, "The gone system") && !has(err, "The plain")) << err;
    // Plain roads hand over "%s" and the text, the UTF-8 roads the caller's format and arguments.
    EXPECT_EQ(
        "open sev\nopen dbg\n%s|KVXSC0156E   The plain system routine failed: system error code: 2\n"
        "KVXSC0156E   The %s system routine failed: system error code: %d|KVXSC0156E   The cs system routine "
        "failed: system error code: 3\n%s|trace 4\nutf8 %d|utf8 5\n%s|withfile 6\n"
        "%s|KVXSC0156E   The saved system routine failed: system error code: 8\nclose null\n",
        events());

    for (const char *name : {"A", "B", "C"}) ASSERT_EQ(0u, add(name));
    EXPECT_EQ(0u, remove("B"));
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, remove("B"));
    EXPECT_EQ(ZEL_S_SVC_ROUTE_REFUSED, status_of(zel_svc_routing, "ERROR:A:a;B:b;C:refuse"));
    // A route holds A; the refused open took no reference of C.
    EXPECT_EQ(0u, remove("A"));
    EXPECT_EQ(0u, remove("C"));
    EXPECT_EQ("open a\nopen refuse\nclose null\n", events());
}

TEST(DynamicRoutes, RemovalWaitsForPrintsInProgressAndLosesNoRecord) {
    start_svctest();
    set_routes("ERROR:SLOW:x");
    ASSERT_EQ(0u, add("SLOW", on_print, &g_mutex));  // data: a slow print that notes nothing
    testing::internal::CaptureStderr();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) routine_error(ZEL_SVC_SEV_ERROR, "t", i);
        });
    while (g_prints < 20 || !g_in_print) usleep(50);
    EXPECT_EQ(0u, remove("SLOW"));
    EXPECT_EQ(0, g_in_print.load());
    g_removed = true;
    for (std::thread &thread : threads) thread.join();
    std::string err = testing::internal::GetCapturedStderr();
    int fallen = 0;  // records that found the route removed took the fallback
    for (size_t at = 0; (at = err.find("The t system", at)) != std::string::npos; ++at) ++fallen;
    EXPECT_EQ(std::make_pair(0, 400), std::make_pair(g_late.load(), g_prints + fallen));
}

TEST(DynamicRoutes, CancelledInsidePrintLeavesNoLockHeld) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "cancellation unwinding is not supported under AddressSanitizer";
#endif
    start_svctest();
    set_routes("ERROR:HOLD:x");
    ASSERT_EQ(0u, add("HOLD"));
    g_block = true;
    std::thread held([] { routine_error(ZEL_SVC_SEV_ERROR, "held", 1); });
    while (!g_in_print) usleep(100);
    pthread_cancel(held.native_handle());
    held.join();  // a print that is not cancelled never returns
    g_block = false;
    ASSERT_TRUE(zel::svc_trylock());  // the next removal, add and print find the registry free too
    zel::svc_unlock();
    EXPECT_EQ(0u, remove("HOLD"));  // returns: the cancelled print is not counted as running
    EXPECT_EQ(0u, add("HOLD"));
    routine_error(ZEL_SVC_SEV_ERROR, "again", 2);
    EXPECT_EQ(
        "open x\n%s|KVXSC0156E   The held system routine failed: system error code: 1\nclose null\nopen x\n"
        "%s|KVXSC0156E   The again system routine failed: system error code: 2\n",
        events());
}

}  // namespace
