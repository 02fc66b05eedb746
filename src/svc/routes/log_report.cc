// Faults of log files told once on standard error, and the records a failing
// file lost counted into it when it works again. Every line has one shape:
// "<program>: <what>: <cause>; records go <where>".
#include <zel/svc_internal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include "svc/routes/log_file.h"

namespace zel {
namespace {

const char *program_name() {
    return zel_svc_g_progname[0] ? zel_svc_g_progname : program_invocation_short_name;
}

// Names come from the environment: control characters are not sent to a terminal.
void append_shown(std::string &out, const char *text) {
    for (const char *p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        out += c < 0x20 || c == 0x7f ? '?' : *p;
    }
}

std::string cause_text(int cause) {
    char buffer[128];
    if (cause == kCauseLink) return "is a symbolic link";
    if (cause == kCauseNotRegular) return "is not a regular file";
    if (cause == kCauseReplaced) return "keeps being replaced";
    if (cause >= kCauseArchive)
        return std::string("cannot be archived: ") +
               strerror_r(cause - kCauseArchive, buffer, sizeof buffer);
    return strerror_r(cause, buffer, sizeof buffer);
}

const char *where_text(int fallback) {
    if (fallback == -1) return "to this file, which is not rotated";
    return fallback == ZEL_SVC_ROUTE_STDERR ? "to standard error" : "nowhere";
}

void tell(const std::string &what, const std::string &cause, const char *where) try {
    std::string line = program_name();
    line += ": ";
    line += what;
    line += ": " + cause + "; records go " + where + "\n";
    if (write(STDERR_FILENO, line.data(), line.size()) < 0) {}
} catch (const std::bad_alloc &) {}

}  // namespace

void report_file(zel_svc_fileroute_t *file, int cause, int fallback) {
    LogFile *log = log_file(file);
    unsigned key = static_cast<unsigned>(cause & 511) * 2 + (fallback == ZEL_SVC_ROUTE_STDERR);
    uint64_t bit = uint64_t{1} << (key % 64);
    if (log->reported[key / 64] & bit) return;
    log->reported[key / 64] |= bit;
    try {
        std::string what = "log file ";
        append_shown(what, file->name ? file->name : "(none)");
        tell(what, cause_text(cause), where_text(fallback));
    } catch (const std::bad_alloc &) {}
}

void report_variable(const char *variable, bool some_routes) {
    tell(variable, "not a valid route list",
         some_routes ? "to the routes before the fault" : "nowhere");
}

void file_write_failed(zel_svc_route_t *route, int error) {
    auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
    LogFile *log = log_file(file);
    ++log->lost;
    log->lost_errno = error;
    if (file->stream) {
        __fpurge(file->stream);  // what did not go out now must not follow a later record
        clearerr(file->stream);
    }
    report_file(file, error, route->fallback);
}

bool note_lost_records(zel_svc_fileroute_t *file) {
    LogFile *log = log_file(file);
    FILE *stream = file->stream;
    int fd = fileno(stream);
    struct stat st;
    char last = '\n';
    if (fstat(fd, &st) == 0 && st.st_size > 0 && pread(fd, &last, 1, st.st_size - 1) != 1) last = 0;
    if (last != '\n') std::fputc('\n', stream);  // the next record starts on its own line
    char reason[128];
    std::fprintf(stream, "%s: %d records could not be written to this file: %s\n", program_name(),
                 log->lost, strerror_r(log->lost_errno, reason, sizeof reason));
    if (std::fflush(stream) == 0 && !std::ferror(stream)) {
        log->lost = 0;
        return true;
    }
    __fpurge(stream);
    clearerr(stream);
    return false;
}

}  // namespace zel
