// Routes under load and in awkward places, through the real entry points:
// rotation while several threads write, fork while another thread logs, the
// child's own log file, unusable file names, GOESTO cycles and long lists.
#include <zel/zel.h>

#include <gtest/gtest.h>
#include <support/test_support.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using zeltest::read_file;

zel_svc_subcomp g_table[] = {{"core", "d", 0, 0}, {nullptr, nullptr, 0, 0}};

zel_svc_handle *component(const std::string &levels_and_routes) {
    unsigned32 st = 1;
    zel_svc_handle *handle = zel_svc__component_to_handle("rel");
    if (!handle) handle = zel_svc_register(g_table, "rel", &st);
    zel_svc_debug_routing(("rel:" + levels_and_routes).c_str(), &st);
    EXPECT_EQ(0u, st) << levels_and_routes;
    return handle;
}

std::vector<std::string> lines_of(const std::string &path) {
    std::vector<std::string> out;
    std::istringstream in(read_file(path));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
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

size_t count_of(const std::string &text, const std::string &sought) {
    size_t n = 0;
    for (size_t at = text.find(sought); at != std::string::npos; at = text.find(sought, at + 1)) ++n;
    return n;
}

TEST(RouteReliability, RotationUnderThreadsKeepsEveryRecordOnce) {
    zeltest::TempDir dir;
    std::string log = dir.file("t.log");
    zel_svc_handle *handle = component("*.9:FILE.30.1000:" + log);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([handle, t] {
            for (int i = 0; i < 5000; ++i) zel_svc__debug(handle, 0, 1, "tok=%d.%d", t, i);
        });
    for (std::thread &thread : threads) thread.join();
    unsigned32 st;
    zel_svc_debug_routing("rel:*.0:DISCARD:", &st);  // closes the file

    std::set<std::string> seen;
    std::vector<std::string> files = {log};
    for (int n = 1; n <= 19; ++n) files.push_back(log + "." + std::to_string(n));
    for (const std::string &file : files) {
        std::vector<std::string> tokens = tokens_of(file);
        EXPECT_EQ(1000u, tokens.size()) << file;
        for (const std::string &token : tokens) EXPECT_TRUE(seen.insert(token).second) << token;
    }
    EXPECT_FALSE(access((log + ".20").c_str(), F_OK) == 0);
    EXPECT_EQ(20000u, seen.size());
}

// Several programs that rotate one log file: each sets the route up itself
// and they start together. No file is truncated under another writer, no
// archive replaces another's, and each file is one writer's turn.
TEST(RouteReliability, RotationUnderProcessesKeepsEveryRecordOnce) {
    zeltest::TempDir dir;
    std::string log = dir.file("p.log");
    int go[2];
    ASSERT_EQ(0, pipe(go));
    std::vector<pid_t> children;
    for (int p = 0; p < 4; ++p) {
        pid_t child = fork();
        if (child == 0) {
            close(go[1]);
            char byte;
            if (read(go[0], &byte, 1) < 0) _exit(2);  // returns when the parent closes
            zel_svc_handle *handle = component("*.9:FILE.30.1000:" + log);
            for (int i = 0; i < 5000; ++i) zel_svc__debug(handle, 0, 1, "tok=%d.%d", p, i);
            _exit(0);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> seen;
    for (int n = 0; n < 30; ++n) {
        std::string file = n == 0 ? log : log + "." + std::to_string(n);
        if (access(file.c_str(), F_OK) != 0) continue;
        std::vector<std::string> tokens = tokens_of(file);
        EXPECT_LE(tokens.size(), 1000u) << file;
        for (const std::string &token : tokens) EXPECT_TRUE(seen.insert(token).second) << token;
    }
    EXPECT_EQ(20000u, seen.size());
}

TEST(RouteReliability, ForkedChildWritesItsOwnFileWhileAThreadLogs) {
    zeltest::TempDir dir;
    std::string pattern = dir.file("p_%ld.log");
    zel_svc_handle *handle = component("*.9:FILE:" + pattern);
    zel_svc__debug(handle, 0, 1, "tok=parent.first");
    std::thread busy([handle] {
        for (int i = 0; i < 3000; ++i) zel_svc__debug(handle, 0, 1, "tok=thread.%d", i);
    });
    std::vector<pid_t> children;
    for (int c = 0; c < 20; ++c) {
        pid_t child = fork();
        if (child == 0) {
            zel_svc__debug(handle, 0, 1, "tok=child.%d", c);
            _exit(0);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    busy.join();
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (size_t c = 0; c < children.size(); ++c) {
        std::string own = dir.file("p_" + std::to_string(children[c]) + ".log");
        EXPECT_EQ(std::vector<std::string>{"tok=child." + std::to_string(c)}, tokens_of(own));
    }
    std::vector<std::string> parent = tokens_of(dir.file("p_" + std::to_string(getpid()) + ".log"));
    ASSERT_EQ(3001u, parent.size());
    EXPECT_EQ("tok=parent.first", parent[0]);
}

// Each case in a child whose standard error goes to a file, so that the
// fallback to standard error can be read back.
std::string stderr_of(void (*body)(const std::string &dir), const std::string &dir) {
    std::string captured = dir + "/stderr.txt";
    pid_t child = fork();
    if (child == 0) {
        int fd = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        body(dir);
        std::fflush(nullptr);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return read_file(captured);
}

void unusable_names(const std::string &dir) {
    unsigned32 st = 1;
    std::string text = "WARNING:FILE:" + dir + "/missing/x.log;FILE:" + dir + ";XMLFILE:" + dir +
                       "/" + std::string(5000, 'n') + ";FILE:" + dir + "/ok.log";
    zel_svc_routing(text.c_str(), &st);
    if (st != 0) _exit(3);
    zel_svc_handle *handle = component("*.9:GOESTO:WARNING");
    zel_svc__debug(handle, 0, 1, "tok=one");
    zel_svc__debug(handle, 0, 1, "tok=two");
}

TEST(RouteReliability, UnusableFilesFallBackToStandardError) {
    zeltest::TempDir dir;
    std::string err = stderr_of(unusable_names, dir.path());
    // Three fallen-back routes per record; the good file gets each once.
    EXPECT_EQ(3u, count_of(err, "tok=one"));
    EXPECT_EQ(3u, count_of(err, "tok=two"));
    EXPECT_EQ((std::vector<std::string>{"tok=one", "tok=two"}), tokens_of(dir.file("ok.log")));
}

void cycles(const std::string &dir) {
    unsigned32 st = 1;
    zel_svc_routing(("ERROR:GOESTO:WARNING;FILE:" + dir + "/e.log").c_str(), &st);
    zel_svc_routing(("WARNING:GOESTO:ERROR;GOESTO:WARNING;GOESTO:rel;FILE:" + dir + "/w.log").c_str(), &st);
    zel_svc_handle *handle = component("*.9:GOESTO:ERROR;FILE:" + dir + "/r.log");
    zel_svc__debug(handle, 0, 1, "tok=cycle");
    std::string many = "NOTICE:";
    for (int i = 0; i < 10000; ++i) many += "FILE:" + dir + "/n.log;";
    zel_svc_routing(many.c_str(), &st);
    if (st != 0) _exit(4);
    zel_svc__debug(component("*.9:GOESTO:NOTICE"), 0, 1, "tok=many");
}

TEST(RouteReliability, GoestoCyclesAndLongListsEnd) {
    zeltest::TempDir dir;
    std::string err = stderr_of(cycles, dir.path());
    EXPECT_EQ("", err);
    // rel -> ERROR -> WARNING: WARNING's own GOESTOs lead back and are skipped.
    EXPECT_EQ(std::vector<std::string>{"tok=cycle"}, tokens_of(dir.file("w.log")));
    EXPECT_EQ(std::vector<std::string>{}, tokens_of(dir.file("e.log")));
    EXPECT_EQ(std::vector<std::string>{}, tokens_of(dir.file("r.log")));
    EXPECT_EQ(10000u, tokens_of(dir.file("n.log")).size());
}

}  // namespace
