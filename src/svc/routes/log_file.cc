// Log files: opened when the first record is written, checked at each record
// to still be the file at their name, rotated after a fixed number of records
// counted in the file itself (so that every process writing it agrees), and
// sent to the route's fallback while they cannot be used, tried again each second.
#include <zel/svc_internal.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "svc/routes/log_file.h"
#include "svc/routes/routes.h"
#include "sys/hot_path.h"

namespace zel {

int g_cached_pid = 0;

namespace {

constexpr int kTries = 8;
constexpr int64_t kRetryMs = 1000;

void close_stream(zel_svc_fileroute_t *file) {
    forget_lock(fileno(file->stream));
    std::fclose(file->stream);  // also drops this process's lock on it
    file->stream = nullptr;
}

// An open log file becomes the record's stream, its records not yet counted;
// false (errno set, fd closed) when it cannot.
bool adopt(zel_svc_fileroute_t *file, int fd) {
    LogFile *log = log_file(file);
    struct stat st;
    FILE *stream = fstat(fd, &st) == 0 ? fdopen(fd, "a") : nullptr;
    if (!stream) {
        int saved = errno;
        forget_lock(fd);
        close(fd);
        errno = saved;
        return false;
    }
    file->stream = stream;
    log->dev = st.st_dev;
    log->ino = st.st_ino;
    log->scanned = 0;
    log->counted = 0;
    log->last_byte = '\n';
    return true;
}

// The file at the name (or a new one) becomes the record's stream.
bool open_stream(zel_svc_fileroute_t *file) {
    LogFile *log = log_file(file);
    bool make_new = file->records_per_file > 0 && !log->rejoin;
    log->rejoin = false;
    int cause = 0;
    int fd = open_log(file, make_new, &cause);
    if (fd >= 0 && adopt(file, fd)) {
        log->retry_at = 0;
        return true;
    }
    if (fd >= 0) cause = errno;
    log->cause = cause;
    log->retry_at = now_ms() + kRetryMs;
    return false;
}

// Counts the records that reached the file since the last look, by their
// endings: a line for text, a blank line after each XML record. A record
// whose text holds such endings counts more than once, so files rotate early
// rather than late.
void count_records(zel_svc_fileroute_t *file, off_t size, bool xml) {
    LogFile *log = log_file(file);
    if (size < log->scanned) {  // cut short by someone: count afresh
        log->scanned = 0;
        log->counted = 0;
        log->last_byte = '\n';
    }
    char buffer[8192];
    while (log->scanned < size) {
        size_t want = static_cast<size_t>(size - log->scanned) < sizeof buffer
                          ? static_cast<size_t>(size - log->scanned)
                          : sizeof buffer;
        ssize_t got = pread(fileno(file->stream), buffer, want, log->scanned);
        if (got <= 0) {  // not readable: count our own record alone
            ++log->counted;
            log->scanned = size;
            break;
        }
        char previous = log->last_byte;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n' && (!xml || previous == '\n')) ++log->counted;
            previous = buffer[i];
        }
        log->last_byte = previous;
        log->scanned += got;
    }
}

// What ready_file does when the file is not simply ready: opening it,
// following its name, counting and rotating. Kept out of the record's way.
[[gnu::cold, gnu::noinline]] bool prepare_file(zel_svc_fileroute_t *file, bool xml) {
    LogFile *log = log_file(file);
    if (!file->name) return false;
    if (!file->stream && log->retry_at && now_ms() < log->retry_at) return false;
    bool limited = file->records_per_file > 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (!file->stream && !open_stream(file)) return false;
        if (limited || log->lost) lock_file(fileno(file->stream));
        // Without a record limit the name is looked at again once in each
        // millisecond, not at every record: a file removed or renamed by
        // someone else is followed from the first record of the next
        // millisecond, and a busy log does not pay a system call per record.
        if (!limited && !log->lost) {
            int64_t now = now_ms();
            if (now == log->name_seen_ms) break;
            log->name_seen_ms = now;
        }
        struct stat st;
        if (stat(file->name, &st) != 0 || st.st_dev != log->dev || st.st_ino != log->ino) {
            close_stream(file);  // deleted, or rotated by another process: the file now there
            log->rejoin = true;
            continue;
        }
        if (!limited) break;
        count_records(file, st.st_size, xml);
        if (log->counted < file->records_per_file || now_ms() < log->rotate_at) break;
        int cause = 0;
        int fd = replace_locked(file, &cause);
        if (fd >= 0) {
            close_stream(file);
            if (!adopt(file, fd)) log->rejoin = true;
            continue;  // the new file is locked and looked at like any other
        }
        if (cause >= kCauseArchive) {  // the file stays: records go on after it
            report_file(file, cause, -1);
            log->rotate_at = now_ms() + kRetryMs;
            break;
        }
        close_stream(file);  // archived, but the new file could not be made
        log->rejoin = true;
    }
    if (!file->stream) {  // the name kept changing under us
        log->cause = kCauseReplaced;
        log->retry_at = now_ms() + kRetryMs;
        return false;
    }
    if (log->lost) note_lost_records(file);
    if (limited) file->records_written = log->counted + 1;
    return true;
}

// Makes the route's file ready for one record; false when it cannot be used.
// With a record limit the file is locked from here to the end of the record,
// so that the count, the rotation and the record agree with other processes.
ZEL_RECORD_PATH bool ready_file(zel_svc_fileroute_t *file, bool xml) {
    // Most records find their file open, without a record limit, and its
    // name looked at already in this millisecond.
    const LogFile *log = log_file(file);
    if (file->stream && file->name && file->records_per_file <= 0 && !log->lost &&
        now_ms() == log->name_seen_ms)
        return true;
    return prepare_file(file, xml);
}

// A forked child renames the files of its open routes; one at its fallback
// takes the child's name when it tries its file again.
void follow_process_id(zel_svc_fileroute_t *file) try {
    if (!file->pattern || file->stream) return;
    std::string name = expand_file_pattern(file->pattern, zel_svc__get_pid());
    if (file->name && name == file->name) return;
    if (char *copy = strdup(name.c_str())) {
        std::free(file->name);
        file->name = copy;
    }
} catch (const std::bad_alloc &) {}

void fall_back(zel_svc_route_t *route, zel_svc_fileroute_t *file) {
    route->kind = route->fallback;
    route->open = 1;
    report_file(file, log_file(file)->cause, route->fallback);
}

}  // namespace

ZEL_RECORD_PATH int64_t now_ms() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void reset_log_file(zel_svc_fileroute_t *file) {
    LogFile *log = log_file(file);
    log->retry_at = 0;
    log->rotate_at = 0;
    log->name_seen_ms = 0;
    log->rejoin = false;
    log->lost = 0;
    log->cause = 0;
    std::memset(log->reported, 0, sizeof log->reported);
}

void mark_file_route(zel_svc_route_t *route, int kind) {
    route->route_data = reinterpret_cast<void *>(static_cast<intptr_t>(kind));
}

ZEL_RECORD_PATH int file_route_kind(const zel_svc_route_t *route) {
    if (is_file_kind(route->kind)) return route->kind;
    if (route->keyword || !route->target) return 0;  // dynamic, stream or DISCARD
    int kind = static_cast<int>(reinterpret_cast<intptr_t>(route->route_data));
    return is_file_kind(kind) ? kind : 0;
}

}  // namespace zel

extern "C" {

int zel_svc__get_pid(void) {
    if (zel::g_cached_pid == 0) zel::g_cached_pid = static_cast<int>(getpid());
    return zel::g_cached_pid;
}

ZEL_RECORD_PATH void zel_svc__check_open(zel_svc_route_t *route) {
    int kind = zel::file_route_kind(route);
    if (!kind) {
        route->open = 1;
        return;
    }
    auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
    if (route->kind != kind) {  // at its fallback: the file again once it may be usable
        if (!file->stream && zel::now_ms() < zel::log_file(file)->retry_at) return;
        if (kind == ZEL_SVC_ROUTE_FILE) zel::follow_process_id(file);
        route->kind = kind;
    }
    if (!zel::ready_file(file, kind == ZEL_SVC_ROUTE_XMLFILE)) {
        zel::fall_back(route, file);
        return;
    }
    route->open = 1;
}

}  // extern "C"
