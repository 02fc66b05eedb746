// Many writers of one log file: threads, processes, rotation, fork, cancellation.
#include <regex>

#include "svc/core/core_state.h"
#include "svc_test_util.h"

namespace {

using namespace zeltest;

zel_svc_subcomp g_table[] = {{"core", "d", 0, 0}, {nullptr, nullptr, 0, 0}};

// Component "rel" with the given levels and trace routes.
zel_svc_handle *component(const std::string &levels_and_routes) {
    unsigned32 st = 1;
    zel_svc_handle *handle = zel_svc__component_to_handle("rel");
    if (!handle) handle = zel_svc_register(g_table, "rel", &st);
    zel_svc_debug_routing(("rel:" + levels_and_routes).c_str(), &st);
    EXPECT_EQ(0u, st) << levels_and_routes;
    return handle;
}

// The "tok=<a>.<b>" tokens of a file's records, each checked to end its line.
std::vector<std::string> tokens_of(const std::string &path) {
    std::vector<std::string> out;
    for (const std::string &line : lines_of(path)) {
        size_t at = line.find("tok=");
        EXPECT_NE(std::string::npos, at) << path << ": " << line;
        if (at == std::string::npos) continue;
        EXPECT_EQ(std::string::npos, line.find("tok=", at + 1)) << "two records on a line: " << line;
        out.push_back(line.substr(at));
    }
    return out;
}

// The tokens of the log and its archives, each once; at most (or exactly) per_file a file.
size_t collect(const std::string &log, size_t per_file, bool exact) {
    std::set<std::string> seen;
    for (int n = 0; n < 30; ++n) {
        std::string file = n == 0 ? log : log + "." + std::to_string(n);
        if (access(file.c_str(), F_OK) != 0) continue;
        std::vector<std::string> tokens = tokens_of(file);
        EXPECT_TRUE(exact ? tokens.size() == per_file : tokens.size() <= per_file) << file << " has " << tokens.size();
        for (const std::string &token : tokens) EXPECT_TRUE(seen.insert(token).second) << token;
    }
    return seen.size();
}

// Four threads, then four programs that each set up the log, rotate one file.
TEST(RouteReliability, RotationUnderThreadsAndProcessesKeepsEveryRecordOnce) {
    TempDir dir;
    std::string log = dir.file("t.log");
    auto write = [](zel_svc_handle *handle, int w) {
        for (int i = 0; i < 5000; ++i) zel_svc__debug(handle, 0, 1, "tok=%d.%d", w, i);
    };
    zel_svc_handle *handle = component("*.9:FILE.30.1000:" + log);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(write, handle, t);
    for (std::thread &thread : threads) thread.join();
    component("*.0:DISCARD:");  // closes the file
    // The log and its archives .1 to .19, each full.
    EXPECT_TRUE(access((log + ".19").c_str(), F_OK) == 0 && access((log + ".20").c_str(), F_OK) != 0);
    EXPECT_EQ(20000u, collect(log, 1000, true));
    log = dir.file("p.log");
    expect_clean_exits(fork_children(4, [&](int p) { write(component("*.9:FILE.30.1000:" + log), p); }));
    EXPECT_EQ(20000u, collect(log, 1000, false));
}

// Children forked while a thread logs get their own file where named by process id.
TEST(RouteReliability, ForkedChildWritesItsOwnFileWhileAThreadLogs) {
    TempDir dir;
    std::string shared = dir.file("shared.log");
    zel_svc_handle *handle = component("*.9:FILE:" + dir.file("p_%ld.log") + ";FILE:" + shared);
    start_svctest();
    set_routes("NOTICE:FILE:" + dir.file("n_%ld.log"));
    auto notice = [] { routine_error(ZEL_SVC_SEV_NOTICE, "n", 0); };
    zel_svc__debug(handle, 0, 1, "tok=parent.first");
    notice();
    std::thread busy([handle] {
        for (int i = 0; i < 3000; ++i) zel_svc__debug(handle, 0, 1, "tok=thread.%d", i);
    });
    std::vector<pid_t> children = fork_children(20, [&](int c) {
        zel_svc__debug(handle, 0, 1, "tok=child.%d", c);
        notice();
    });
    busy.join();
    expect_clean_exits(children);
    for (size_t c = 0; c < children.size(); ++c) {
        std::string own = "_" + std::to_string(children[c]) + ".log";
        EXPECT_EQ(std::vector<std::string>{"tok=child." + std::to_string(c)}, tokens_of(dir.file("p" + own)));
        EXPECT_EQ(1u, lines_of(dir.file("n" + own)).size());
    }
    std::string own = "_" + std::to_string(getpid()) + ".log";
    std::vector<std::string> parent = tokens_of(dir.file("p" + own));
    ASSERT_EQ(3001u, parent.size());
    EXPECT_EQ("tok=parent.first", parent[0]);
    EXPECT_EQ(1u, lines_of(dir.file("n" + own)).size());
    EXPECT_EQ(3021u, collect(shared, 3021, true));
}

// A forked child's own file starts its record count afresh.
TEST(RouteReliability, ForkedChildCountsItsOwnFileFromZero) {
    TempDir dir;
    zel_svc_handle *handle = component("*.9:FILE.3.10:" + dir.file("c_%ld.log"));
    for (int i = 0; i < 7; ++i) zel_svc__debug(handle, 0, 1, "tok=parent.%d", i);
    std::vector<pid_t> child = fork_children(1, [&](int) {
        for (int i = 0; i < 10; ++i) zel_svc__debug(handle, 0, 1, "tok=child.%d", i);
    });
    expect_clean_exits(child);
    std::string own = dir.file("c_" + std::to_string(child[0]) + ".log");
    EXPECT_EQ(10u, tokens_of(own).size());
    EXPECT_NE(0, access((own + ".1").c_str(), F_OK));
}

void cycles(const std::string &dir) {
    unsigned32 st = 1;
    zel_svc_routing(("ERROR:GOESTO:WARNING;FILE:" + dir + "/e.log").c_str(), &st);
    zel_svc_routing(("WARNING:GOESTO:ERROR;GOESTO:WARNING;GOESTO:rel;FILE:" + dir + "/w.log").c_str(), &st);
    zel_svc_handle *handle = component("*.9:GOESTO:nosuch;GOESTO:ERROR;FILE:" + dir + "/r.log");
    zel_svc__debug(handle, 0, 1, "tok=cycle");
    std::string many = "NOTICE:";
    for (int i = 0; i < 10000; ++i) many += "FILE:" + dir + "/n.log;";
    zel_svc_routing(many.c_str(), &st);
    if (st != 0) _exit(4);
    zel_svc__debug(component("*.9:GOESTO:NOTICE"), 0, 1, "tok=many");
}

TEST(RouteReliability, GoestoCyclesAndLongListsEnd) {
    TempDir dir;
    EXPECT_EQ("", stderr_of_child([&] { cycles(dir.path()); }));
    // rel -> (no such list) -> ERROR -> WARNING: each record leaves its list
    // at a GOESTO, and WARNING's own GOESTOs lead back and are skipped.
    EXPECT_EQ(std::vector<std::string>{"tok=cycle"}, tokens_of(dir.file("w.log")));
    EXPECT_EQ(std::vector<std::string>{}, tokens_of(dir.file("e.log")));
    EXPECT_EQ(std::vector<std::string>{}, tokens_of(dir.file("r.log")));
    EXPECT_EQ(10000u, tokens_of(dir.file("n.log")).size());
}

void *log_forever(void *) {
    for (int i = 0;; ++i) routine_error(ZEL_SVC_SEV_ERROR, "w0", i);
    return nullptr;
}

TEST(Cancellation, CancelledLoggerLeavesTheMutexFree) {
#ifdef __SANITIZE_ADDRESS__
    // The address sanitizer's runtime trips over a cancelled thread's unwinding.
    GTEST_SKIP() << "cancellation unwinding is not supported under AddressSanitizer";
#endif
    TempDir dir;
    std::string path = dir.file("cancel.log");
    start_svctest();
    set_routes("ERROR:FILE:" + path);
    for (int round = 0; round < 20; ++round) {
        pthread_t thread;
        void *result = nullptr;
        ASSERT_EQ(0, pthread_create(&thread, nullptr, log_forever, nullptr));
        usleep(2000);
        pthread_cancel(thread);
        ASSERT_EQ(0, pthread_join(thread, &result));
        EXPECT_EQ(PTHREAD_CANCELED, result);
        ASSERT_TRUE(zel::svc_trylock()) << "round " << round;
        zel::svc_unlock();
    }
    // The next record is written, and none of those before was torn.
    routine_error(ZEL_SVC_SEV_ERROR, "w1", 0);
    std::vector<std::string> lines = lines_of(path);
    for (const std::string &line : lines) EXPECT_NE(std::string::npos, line.find(" system error code: ")) << line;
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::string::npos, lines.back().find("The w1 system routine failed: system error code: 0"));
}

}  // namespace
