// Many writers of one log file: threads of a process and several processes
// each write their records whole and exactly once; a thread cancelled while
// logging leaves the serviceability mutex free.
#include <zel/zel.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"

namespace {

constexpr unsigned32 kSystemCall = 0x3665A09C;  // "... The %s system routine ...: %d"

// Record counts are the issue's; slow lanes (emulation, sanitizers) divide
// them by ZEL_TEST_SCALE.
int scaled(int count) {
    const char *scale = std::getenv("ZEL_TEST_SCALE");
    int divisor = scale ? std::atoi(scale) : 1;
    return divisor > 1 ? count / divisor : count;
}

void init_with_file(const std::string &path) {
    unsigned32 st;
    zelmsg_init("svctest", 0);
    zel_svc_routing(("ERROR:FILE:" + path).c_str(), &st);
    ASSERT_EQ(0u, st);
}

void write_records(const std::string &writer, int count) {
    for (int i = 0; i < count; ++i) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "rel.cc", 1, "%s%d", 0,
                                ZEL_SVC_SEV_ERROR, kSystemCall, writer.c_str(), i);
    }
}

// Every line is one whole record of some writer and number, none twice; with
// writers * count lines that is every writer's numbers 0..count-1 once each.
void check_records(const std::string &path, int writers, int count) {
    std::istringstream in(zeltest::read_file(path));
    const std::regex record(
        R"(\S+ 0x3665A09C \S+ ERROR qpc core rel\.cc 1 0x[0-9a-f]{8} )"
        R"(KVXSC0156E   The w(\d+) system routine failed: system error code: (\d+))");
    std::set<std::string> seen;
    std::string line;
    int lines = 0, torn = 0;
    for (std::smatch m; std::getline(in, line); ++lines) {
        if (!std::regex_match(line, m, record) || std::stoi(m[1]) >= writers ||
            std::stoi(m[2]) >= count) {
            if (++torn <= 3) ADD_FAILURE() << "torn record: " << line;
        } else if (!seen.insert(m[1].str() + "/" + m[2].str()).second) {
            ADD_FAILURE() << "twice: " << line;
        }
    }
    EXPECT_EQ(0, torn);
    EXPECT_EQ(writers * count, lines);
}

TEST(OneLogFile, EightThreads) {
    zeltest::TempDir dir;
    std::string path = dir.file("threads.log");
    init_with_file(path);
    const int count = scaled(10000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) threads.emplace_back(write_records, "w" + std::to_string(t), count);
    for (auto &t : threads) t.join();
    check_records(path, 8, count);
}

TEST(OneLogFile, FourProcesses) {
    zeltest::TempDir dir;
    std::string path = dir.file("procs.log");
    init_with_file(path);
    const int count = scaled(10000);
    std::vector<pid_t> children;
    for (int p = 0; p < 4; ++p) {
        pid_t pid = fork();
        ASSERT_NE(-1, pid);
        if (pid == 0) {
            write_records("w" + std::to_string(p), count);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    check_records(path, 4, count);
}

void *log_forever(void *) {
    for (int i = 0;; ++i) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "rel.cc", 1, "%s%d", 0,
                                ZEL_SVC_SEV_ERROR, kSystemCall, "w0", i);
    }
    return nullptr;
}

TEST(Cancellation, CancelledLoggerLeavesTheMutexFree) {
#ifdef __SANITIZE_ADDRESS__
    // The address sanitizer's runtime trips over its own stack bookkeeping
    // while a cancelled thread unwinds; the other lanes run this test.
    GTEST_SKIP() << "cancellation unwinding is not supported under AddressSanitizer";
#endif
    zeltest::TempDir dir;
    std::string path = dir.file("cancel.log");
    init_with_file(path);
    for (int round = 0; round < 20; ++round) {
        pthread_t thread;
        ASSERT_EQ(0, pthread_create(&thread, nullptr, log_forever, nullptr));
        usleep(2000);
        pthread_cancel(thread);
        void *result = nullptr;
        ASSERT_EQ(0, pthread_join(thread, &result));
        EXPECT_EQ(PTHREAD_CANCELED, result);
        ASSERT_EQ(0, pthread_mutex_trylock(&zel_svc_g_mutex)) << "round " << round;
        pthread_mutex_unlock(&zel_svc_g_mutex);
    }
    // The next record is written, and none of those before was torn.
    write_records("w1", 1);
    std::istringstream in(zeltest::read_file(path));
    std::string line, last;
    while (std::getline(in, line)) {
        EXPECT_NE(std::string::npos, line.find(" system error code: ")) << line;
        last = line;
    }
    EXPECT_NE(std::string::npos, last.find("The w1 system routine failed: system error code: 0"));
}

}  // namespace
