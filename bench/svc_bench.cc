// Serviceability records side by side with their floor (fcntl lock, write,
// unlock) and with spdlog's file sink, plain and under the same fcntl lock;
// the cost of records that go nowhere and of traces below their level (next
// to a caller's own inlined level check); and records handed to a dynamic route
// that does nothing, against DISCARD plus a direct call of the same callback.
#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include "ratio_reporter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Every writer logs into the same folder: ZEL_BENCH_DIR, else /tmp. A
// memory file system (/dev/shm) takes the disk's noise out of the comparison.
std::string bench_file(const char *name) {
    const char *dir = std::getenv("ZEL_BENCH_DIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/zel_svc_bench_" + name + "_" +
           std::to_string(getpid()) + ".log";
}

// Every contender starts each run (repetitions included) with an empty file
// of its own, set up before the run's threads start: a file that grew over
// earlier runs writes measurably slower than a new one.
void setup_messages() {
    static bool done = [] {
        zelmsg_init("svcbench", 0);
        unsigned32 st;
        zel_svc_routing("NOTICE:DISCARD:", &st);
        return true;
    }();
    (void)done;
}

void setup_zel(const benchmark::State &) {
    setup_messages();
    std::string path = bench_file("zel");
    unlink(path.c_str());
    unsigned32 st;
    zel_svc_routing(("ERROR:FILE:" + path).c_str(), &st);  // closes the previous run's file
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
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0,
                                ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR, "open", ++i);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ZelFileRecord)->Setup(setup_zel)->Threads(1)->Threads(4)->UseRealTime();

int g_floor_fd = -1;

void setup_floor(const benchmark::State &) {
    if (g_floor_fd >= 0) close(g_floor_fd);
    std::string path = bench_file("floor");
    unlink(path.c_str());
    g_floor_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

void BM_FloorLockWriteUnlock(benchmark::State &state) {
    std::string line = sample_line();
    for (auto _ : state) {
        lock_fd(g_floor_fd, F_WRLCK);
        benchmark::DoNotOptimize(write(g_floor_fd, line.data(), line.size()));
        lock_fd(g_floor_fd, F_UNLCK);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloorLockWriteUnlock)->Setup(setup_floor)->Threads(1)->UseRealTime();

// spdlog writes the same records to a basic file sink flushed after each
// one; the locked variant also takes the fcntl lock around each record,
// through a descriptor of its own (the lock belongs to the process).
std::shared_ptr<spdlog::logger> g_spdlog;
int g_spdlog_lock_fd = -1;

void setup_spdlog(const char *name) {
    spdlog::drop_all();
    g_spdlog.reset();
    if (g_spdlog_lock_fd >= 0) close(g_spdlog_lock_fd);
    std::string path = bench_file(name);
    g_spdlog = spdlog::basic_logger_mt(name, path, true);  // truncates
    g_spdlog->set_pattern(
        "%Y-%m-%d-%H:%M:%S.%e%z 0x3665A09C svcbench ERROR qpc core svc_bench.cc 42 %t %v");
    g_spdlog->flush_on(spdlog::level::trace);
    g_spdlog_lock_fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

void BM_SpdlogFlushed(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        g_spdlog->error("KVXSC0156E   The {} system routine failed: system error code: {}", "open",
                        ++i);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpdlogFlushed)
    ->Setup([](const benchmark::State &) { setup_spdlog("spdlog_plain"); })
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

std::mutex g_spdlog_order;  // like our mutex: one record at a time in the process

void BM_SpdlogFlushedLocked(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        std::lock_guard<std::mutex> hold(g_spdlog_order);
        lock_fd(g_spdlog_lock_fd, F_WRLCK);
        g_spdlog->error("KVXSC0156E   The {} system routine failed: system error code: {}", "open",
                        ++i);
        lock_fd(g_spdlog_lock_fd, F_UNLCK);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpdlogFlushedLocked)
    ->Setup([](const benchmark::State &) { setup_spdlog("spdlog_locked"); })
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

void BM_TraceBelowLevel(benchmark::State &state) {
    setup_messages();
    int i = 0;
    for (auto _ : state) zel_svc__debug(zelmox_client_svc_handle, 0, 9, "value %d", ++i);
}
BENCHMARK(BM_TraceBelowLevel);

// What a caller's own check costs: the sub-component's level word read and
// compared in line, the trace called only when it is wanted.
void BM_InlinedLevelCheck(benchmark::State &state) {
    setup_messages();
    zel_svc__debug(zelmox_client_svc_handle, 0, 9, "value %d", 0);  // levels filled in
    int i = 0;
    for (auto _ : state) {
        ++i;
        if ((__atomic_load_n(&zelmox_client_svc_table[0].level, __ATOMIC_RELAXED) & 0xF) >= 9)
            zel_svc__debug(zelmox_client_svc_handle, 0, 9, "value %d", i);
        benchmark::DoNotOptimize(i);
    }
}
BENCHMARK(BM_InlinedLevelCheck);

void BM_MessageToDiscard(benchmark::State &state) {
    setup_messages();
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0,
                                ZEL_SVC_SEV_NOTICE, ZEL_S_SYSTEM_ROUTINE_ERROR, "open", ++i);
    }
}
BENCHMARK(BM_MessageToDiscard);

// A dynamic route whose print does nothing. WARNING messages and the traces
// of "bnd" take it; NOTICE messages and the traces of "bnx" are discarded.
void nop_open(const char *, const char *, void *, void **, int *accepted) { *accepted = 1; }
void nop_print(void *, void *, zel_svc_prolog *header, va_list) {
    benchmark::DoNotOptimize(header);
}
void nop_close(const char *, void *, void *, unsigned32 *) {}

zel_svc_subcomp g_dyn_table[] = {{"one", "first", 0, 0}, {nullptr, nullptr, 0, 0}};
zel_svc_subcomp g_discard_table[] = {{"one", "first", 0, 0}, {nullptr, nullptr, 0, 0}};
zel_svc_handle *g_dyn_handle;
zel_svc_handle *g_discard_handle;

void setup_dynamic() {
    static bool done = [] {
        setup_messages();
        unsigned32 st;
        zel_svc_add_route("NOP", nullptr, nop_open, nop_print, nop_close, &st);
        zel_svc_routing("WARNING:NOP:x", &st);
        g_dyn_handle = zel_svc_register(g_dyn_table, "bnd", &st);
        g_discard_handle = zel_svc_register(g_discard_table, "bnx", &st);
        zel_svc_debug_routing("bnd:*.9:NOP:x", &st);
        zel_svc_debug_routing("bnx:*.9:DISCARD:", &st);
        return true;
    }();
    (void)done;
}

// The callback as a record hands it over, outside the library.
zel_svc_prolog g_header;
void call_nop(const char *format, ...) {
    va_list args;
    va_start(args, format);
    g_header.format = const_cast<char *>(format);
    nop_print(nullptr, nullptr, &g_header, args);
    va_end(args);
}

// kind 0: dynamic; 1: DISCARD; 2: DISCARD and the callback.
void BM_DynamicMessage(benchmark::State &state) {
    setup_dynamic();
    int kind = static_cast<int>(state.range(0));
    unsigned32 sev = kind == 0 ? ZEL_SVC_SEV_WARNING : ZEL_SVC_SEV_NOTICE;
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0, sev,
                                ZEL_S_SYSTEM_ROUTINE_ERROR, "open", ++i);
        if (kind == 2) call_nop("%s", "The open system routine failed: system error code: 1");
    }
}
BENCHMARK(BM_DynamicMessage)->ArgName("dyn_discard_both")->DenseRange(0, 2);

void BM_DynamicMessageCs(benchmark::State &state) {
    setup_dynamic();
    int kind = static_cast<int>(state.range(0));
    unsigned32 sev = kind == 0 ? ZEL_SVC_SEV_WARNING : ZEL_SVC_SEV_NOTICE;
    int i = 0;
    for (auto _ : state) {
        zel_svc_printf_cs_withfile(zelmox_client_svc_handle, 1, "svc_bench.cc", 42, "%s%d", 0, sev,
                                   ZEL_S_SYSTEM_ROUTINE_ERROR, "open", ++i);
        if (kind == 2) call_nop("The %s system routine failed: system error code: %d", "open", i);
    }
}
BENCHMARK(BM_DynamicMessageCs)->ArgName("dyn_discard_both")->DenseRange(0, 2);

void BM_DynamicTrace(benchmark::State &state) {
    setup_dynamic();
    int kind = static_cast<int>(state.range(0));
    zel_svc_handle *handle = kind == 0 ? g_dyn_handle : g_discard_handle;
    int i = 0;
    for (auto _ : state) {
        zel_svc__debug(handle, 0, 1, "value %d", ++i);
        if (kind == 2) call_nop("%s", "value 1");
    }
}
BENCHMARK(BM_DynamicTrace)->ArgName("dyn_discard_both")->DenseRange(0, 2);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char *dir = std::getenv("ZEL_BENCH_DIR");
    std::printf("\nfiles in %s; wall time, higher is better for zel (target >= 1.0):\n",
                dir && *dir ? dir : "/tmp");
    for (const char *threads : {"1", "4"}) {
        std::string suffix = std::string("/real_time/threads:") + threads;
        std::string label =
            std::string("record, ") + threads + " thread(s): zel over locked spdlog";
        reporter.print_wall_ratio(label.c_str(), "BM_SpdlogFlushedLocked" + suffix,
                                  "BM_ZelFileRecord" + suffix);
    }
    std::printf("CPU time, lower is better for zel:\n");
    reporter.print_ratio("trace below level over inlined check", "BM_TraceBelowLevel",
                         "BM_InlinedLevelCheck");
    benchmark::Shutdown();
    for (const char *name : {"zel", "floor", "spdlog_plain", "spdlog_locked"})
        unlink(bench_file(name).c_str());  // a memory file system keeps them otherwise
    return 0;
}
