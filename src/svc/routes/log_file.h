// The log-file record as this library keeps it: the exported fields first,
// then what opening safely, rotating under the file lock and reporting faults
// need. Everything here runs with zel_svc_g_mutex held.
#ifndef ZEL_SRC_SVC_LOG_FILE_H
#define ZEL_SRC_SVC_LOG_FILE_H

#include <zel/svc_internal.h>

#include <cstdint>

namespace zel {

struct LogFile {
    zel_svc_fileroute_t pub;  // first, so the table and the routes point at it
    uint64_t dev;             // identity of the open file, to see its name move
    uint64_t ino;
    int64_t scanned;       // records before this offset are counted
    int64_t retry_at;      // unusable until then (monotonic ms); 0: usable
    int64_t rotate_at;     // a failed archive step is tried again then
    int64_t name_seen_ms;  // when the name was last found to lead to the file (monotonic ms)
    int counted;           // complete records found before `scanned`
    int cause;             // why the file is unusable (see below), while it is
    int lost;              // records that did not reach the file since it last worked
    int lost_errno;
    char last_byte;         // the byte before `scanned`
    bool rejoin;            // the name moved: open what is there now, do not make it new
    uint64_t reported[16];  // causes told on standard error, by cause and fallback
};

inline LogFile *log_file(zel_svc_fileroute_t *file) { return reinterpret_cast<LogFile *>(file); }

// The files that look at log files build with 64-bit file offsets and inode
// numbers (see sources.cmake): on i386 a large file or inode number would
// otherwise fail every stat.

// A zeroed record for a new file name (free() releases it); null without memory.
zel_svc_fileroute_t *new_file_record();
// Forgets what an earlier set-up of the record learnt about its file.
void reset_log_file(zel_svc_fileroute_t *file);

// A file route keeps its file kind in route_data, so that at its fallback it
// still knows its file and tries it again.
void mark_file_route(zel_svc_route_t *route, int kind);
int file_route_kind(const zel_svc_route_t *route);  // 0: not a file route

// Milliseconds of the monotonic clock.
int64_t now_ms();

// Opening. Log files are opened without following links, refused unless
// regular, and owner and mode are set only on a file this open created.
// Causes beyond errno values, for reports.
constexpr int kCauseLink = 200;        // a symbolic link at the name
constexpr int kCauseNotRegular = 201;  // a directory, device or pipe at the name
constexpr int kCauseReplaced = 202;    // the file at the name kept being replaced
constexpr int kCauseArchive = 256;     // added to the errno of a failed archive step
// Opens the regular file at the name for appending and reading; -1 with the
// cause in *cause.
int open_existing(const char *name, int *cause);
// Creates the name exclusively with the record's mode and owner; -1 and errno.
int create_exclusive(const zel_svc_fileroute_t *file);
// The file at the name, or a new one when there is none. With make_new, what
// is at the name is archived (or, without archives, unlinked) first under its
// lock; an archive step that fails leaves it to be appended to. -1 and *cause.
int open_log(zel_svc_fileroute_t *file, bool make_new, int *cause);
// Takes the whole-file write lock on fd, waiting for it; the record's writer
// then finds it held and releases it. A descriptor is forgotten before it is closed.
void lock_file(int fd);
void forget_lock(int fd);
// Releases a lock taken by lock_file whose record was never written.
void release_held_lock();

// Archiving, under the lock of the file at the name: .N-2 -> .N-1 ... .1 ->
// .2, the file -> .1, the oldest replaced. False (errno set) when a step
// failed; nothing is lost then and the file is still at its name.
bool shift_archives(const char *name, int archives);
// Archives what is at the name now (archiveLogFile); false and errno when a
// step failed.
bool archive_file(const char *name, int archives);
// Makes the name new while the caller holds the lock of the file now at the
// name: archived (or, without archives, unlinked), then created exclusively.
// The new descriptor, or -1 with *cause (kCauseArchive + errno when the old
// file stayed at its name).
int replace_locked(zel_svc_fileroute_t *file, int *cause);

// Reports. One line on standard error per file, fallback and cause:
// "<program>: log file <path>: <cause>; records go <where>". where is
// "to standard error", "nowhere" or "to this file, which is not rotated".
void report_file(zel_svc_fileroute_t *file, int cause, int fallback);
// "<program>: <variable>: not a valid route list; records go <where>", once per variable.
void report_variable(const char *variable, bool some_routes);
// A record did not reach the file of the route: counted and reported.
void file_write_failed(zel_svc_route_t *route, int error);
// Before a record goes to a file that failed: the file gets a line break and
// a line counting the records lost; true when it took them.
bool note_lost_records(zel_svc_fileroute_t *file);

}  // namespace zel

#endif
