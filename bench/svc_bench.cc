// Serviceability records side by side with their floor (fcntl lock, write,
// unlock) and with spdlog's file sink, plain and under the same fcntl lock;
// and the cost of records that go nowhere.
#include <zel/zel.h>

#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr unsigned32 kSystemCall = 0x3665A09C;  // two arguments: %s and %d
// Every writer logs into the same folder: ZEL_BENCH_DIR, else /tmp. A
// memory file system (/dev/shm) takes the disk's noise out of the comparison.
std::string bench_file(const char *name) {
    const char *dir = std::getenv("ZEL_BENCH_DIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/zel_svc_bench_" + name + "_" +
           std::to_string(getpid()) + ".log";
}

void setup_once() {
    static bool done = [] {
        unsigned32 st;
        zelmsg_init("svcbench", 0);
        std::string path = bench_file("zel");
        unlink(path.c_str());
        zel_svc_routing(("ERROR:FILE:" + path).c_str(), &st);
        zel_svc_routing("NOTICE:DISCARD:", &st);
        return true;
    }();
    (void)done;
}

// A line as long as our records: prefix and text of the message.
std::string sample_line() {
    return "2026-12-06-00:09:25.156+00:00I----- 0x3665A09C svcbench ERROR qpc core svc_bench.cc "
           "42 0xce029240 KVXSC0156E   The open system routine failed: system error code: 12345\n";
}

void lock_fd(int fd, short type) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    fcntl(fd, F_SETLKW, &lock);
}

void BM_ZelFileRecord(benchmark::State &state) {
    setup_once();
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0,
                                ZEL_SVC_SEV_ERROR, kSystemCall, "open", ++i);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ZelFileRecord)->Threads(1)->Threads(4)->UseRealTime();

void BM_FloorLockWriteUnlock(benchmark::State &state) {
    static int fd = -1;
    if (state.thread_index() == 0) {
        std::string path = bench_file("floor");
        unlink(path.c_str());
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    std::string line = sample_line();
    for (auto _ : state) {
        lock_fd(fd, F_WRLCK);
        benchmark::DoNotOptimize(write(fd, line.data(), line.size()));
        lock_fd(fd, F_UNLCK);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloorLockWriteUnlock)->Threads(1)->UseRealTime();

std::shared_ptr<spdlog::logger> make_spdlog(const char *name) {
    std::string path = bench_file(name);
    unlink(path.c_str());
    auto logger = spdlog::basic_logger_mt(name, path, true);
    logger->set_pattern("%Y-%m-%d-%H:%M:%S.%e%z 0x3665A09C svcbench ERROR qpc core svc_bench.cc 42 %t %v");
    logger->flush_on(spdlog::level::trace);
    return logger;
}

void BM_SpdlogFlushed(benchmark::State &state) {
    static auto logger = make_spdlog("spdlog_plain");
    int i = 0;
    for (auto _ : state) {
        logger->error("KVXSC0156E   The {} system routine failed: system error code: {}", "open", ++i);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpdlogFlushed)->Threads(1)->Threads(4)->UseRealTime();

void BM_SpdlogFlushedLocked(benchmark::State &state) {
    static auto logger = make_spdlog("spdlog_locked");
    // The lock belongs to the process, whichever descriptor of the file takes it.
    static int fd = open(bench_file("spdlog_locked").c_str(), O_WRONLY | O_CLOEXEC);
    static std::mutex order;  // like our mutex: one record at a time in the process
    int i = 0;
    for (auto _ : state) {
        std::lock_guard<std::mutex> hold(order);
        lock_fd(fd, F_WRLCK);
        logger->error("KVXSC0156E   The {} system routine failed: system error code: {}", "open", ++i);
        lock_fd(fd, F_UNLCK);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpdlogFlushedLocked)->Threads(1)->Threads(4)->UseRealTime();

void BM_TraceBelowLevel(benchmark::State &state) {
    setup_once();
    int i = 0;
    for (auto _ : state) zel_svc__debug(zelmox_client_svc_handle, 0, 9, "value %d", ++i);
}
BENCHMARK(BM_TraceBelowLevel);

void BM_MessageToDiscard(benchmark::State &state) {
    setup_once();
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0,
                                ZEL_SVC_SEV_NOTICE, kSystemCall, "open", ++i);
    }
}
BENCHMARK(BM_MessageToDiscard);

}  // namespace

BENCHMARK_MAIN();
