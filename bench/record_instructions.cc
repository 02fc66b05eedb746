// Writes N file records, ours or spdlog's under the same fcntl lock and with
// the pattern of svc_bench, for record_instructions.sh, which counts the
// instructions of two runs under callgrind: their difference is the cost of
// the records alone, without start-up. With "code" after N it also prints
// where the code of each loaded object lies, for record_code_lines.sh.
#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <link.h>
#include <unistd.h>

namespace {

std::string log_file(const char *name) {
    const char *dir = std::getenv("ZEL_BENCH_DIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/zel_record_instructions_" + name + "_" +
           std::to_string(getpid()) + ".log";
}

void lock_fd(int fd, short type) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    fcntl(fd, F_SETLKW, &lock);
}

void run_zel(int records, const std::string &path) {
    zelmsg_init("svcbench", 0);
    unsigned32 st;
    zel_svc_routing(("ERROR:FILE:" + path).c_str(), &st);
    for (int i = 1; i <= records; ++i) {
        zel_svc_printf_withfile(zelmox_client_svc_handle, "svc_bench.cc", 42, "%s%d", 0,
                                ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR, "open", i);
    }
    zel_svc_routing("ERROR:DISCARD:", &st);  // closes the file
}

void run_spdlog(int records, const std::string &path) {
    auto logger = spdlog::basic_logger_mt("locked", path, true);
    logger->set_pattern(
        "%Y-%m-%d-%H:%M:%S.%e%z 0x3665A09C svcbench ERROR qpc core svc_bench.cc 42 %t %v");
    logger->flush_on(spdlog::level::trace);
    int lock_fd_of_file = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    std::mutex order;
    for (int i = 1; i <= records; ++i) {
        std::lock_guard<std::mutex> hold(order);
        lock_fd(lock_fd_of_file, F_WRLCK);
        logger->error("KVXSC0156E   The {} system routine failed: system error code: {}", "open",
                      i);
        lock_fd(lock_fd_of_file, F_UNLCK);
    }
    close(lock_fd_of_file);
    spdlog::drop_all();
}

// "code START END NAME" for each executable segment of each loaded object.
int print_code_segments(struct dl_phdr_info *info, size_t, void *) {
    const char *name = info->dlpi_name && *info->dlpi_name ? info->dlpi_name : "program";
    const char *slash = std::strrchr(name, '/');
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
        unsigned long start = info->dlpi_addr + segment.p_vaddr;
        std::printf("code %#lx %#lx %s\n", start, start + segment.p_memsz,
                    slash ? slash + 1 : name);
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    bool code = argc == 4 && std::strcmp(argv[3], "code") == 0;
    if ((argc != 3 && !code) ||
        (std::strcmp(argv[1], "zel") != 0 && std::strcmp(argv[1], "spdlog") != 0)) {
        std::fprintf(stderr, "usage: %s zel|spdlog RECORDS [code]\n", argv[0]);
        return 2;
    }
    int records = std::atoi(argv[2]);
    std::string path = log_file(argv[1]);
    unlink(path.c_str());
    if (argv[1][0] == 'z') {
        run_zel(records, path);
    } else {
        run_spdlog(records, path);
    }
    unlink(path.c_str());
    if (code) dl_iterate_phdr(print_code_segments, nullptr);
    return 0;
}
