// Helpers shared by the serviceability tests.
#ifndef ZEL_TESTS_SVC_SVC_TEST_UTIL_H
#define ZEL_TESTS_SVC_SVC_TEST_UTIL_H

#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace zeltest {

inline void start_svctest() {
    unsigned32 st;
    zelmsg_init("svctest", 0);
    zel_svc_set_progname("svctest", &st);
}

// The status a routing call gives for `text`.
inline unsigned32 status_of(void (*call)(const char *, unsigned32 *), const char *text) {
    unsigned32 st = 1;
    call(text, &st);
    return st;
}

inline void set_routes(const std::string &routes) {
    unsigned32 st = 1;
    zel_svc_routing(routes.c_str(), &st);
    ASSERT_EQ(0u, st) << routes;
}

inline void set_trace_routes(const std::string &levels_and_routes) {
    unsigned32 st = 1;
    zel_svc_debug_routing(levels_and_routes.c_str(), &st);
    ASSERT_EQ(0u, st) << levels_and_routes;
}

// The message "The WORD system routine failed: system error code: NUMBER".
inline void routine_error(unsigned32 attributes, const char *word, int number, zel_svc_handle *h = nullptr) {
    zel_svc_printf_withfile(h ? h : zelmox_client_svc_handle, "src/t.cc", 9, "%s%d", 0, attributes,
                            ZEL_S_SYSTEM_ROUTINE_ERROR, word, number);
}

inline bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// A text file, a UTF-8 file, an XML file in `dir`, and the console.
inline std::string every_route_kind(const TempDir &dir) {
    return "FILE:" + dir.file("f") + ";UTF8FILE:" + dir.file("u") + ";XMLFILE:" + dir.file("x") + ";STDOUT:";
}

// Runs body in a child (as nobody when asked) that must exit cleanly; returns
// what it wrote to standard error (a pipe: no file limit) and sets *pid.
inline std::string stderr_of_child(const std::function<void()> &body, bool as_nobody = false, pid_t *pid = nullptr) {
    int fds[2];
    EXPECT_EQ(0, pipe(fds));
    std::vector<pid_t> children = fork_children(1, [&](int) {
        close(fds[0]);
        dup2(fds[1], 2);
        if (as_nobody && !become_nobody()) _exit(5);
        body();
        std::fflush(nullptr);
    });
    close(fds[1]);
    if (pid) *pid = children.empty() ? 0 : children[0];
    std::string err;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) err.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    expect_clean_exits(children);
    return err;
}

}  // namespace zeltest

#endif
