// The message layer's failure reports: through the writer the serviceability
// core installs, or as plain text on standard error before it does.
#include "msg/failure_report.h"

#include <zel/msg.h>

#include <atomic>
#include <cstdio>

namespace zel {
namespace {

std::atomic<FailureWriter> g_writer{nullptr};

}  // namespace

void set_failure_writer(FailureWriter writer) { g_writer.store(writer); }

void write_failure_text(unsigned32 code, const char *routine, int value) {
    unsigned32 status;
    const char *format = zel_msg_get_default_msg(code, &status);
    if (!format) return;
    if (routine) {
        std::fprintf(stderr, format, routine, value);
    } else {
        std::fputs(format, stderr);
    }
    std::fputc('\n', stderr);
}

void report_failure(unsigned32 code, const char *file, int line, const char *routine, int value) {
    if (FailureWriter writer = g_writer.load()) {
        writer(code, file, line, routine, value);
    } else {
        write_failure_text(code, routine, value);
    }
}

}  // namespace zel
