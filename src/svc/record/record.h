// Internal pieces of the record path: the header, the bytes a writer copies,
// the prefixes and endings of both record forms, and the file record lock.
#ifndef ZEL_SRC_SVC_RECORD_RECORD_H
#define ZEL_SRC_SVC_RECORD_RECORD_H

#include <zel/svc_internal.h>

#include <stdio.h>

namespace zel {

class RecordText;
struct MemoEntry;

// The row of a sub-component index, or null when the table ends before it:
// callers pass any index, and a bad one must not read past the table.
inline const zel_svc_subcomp *subcomp_row(const zel_svc_handle *handle, unsigned32 index) {
    const zel_svc_subcomp *row = handle ? handle->table : nullptr;
    if (!row) return nullptr;
    for (unsigned32 i = 0; i < index; ++i, ++row) {
        if (!row->name) return nullptr;
    }
    return row->name ? row : nullptr;
}

// The names and numbers a record shows of its header.
inline bool is_trace(const zel_svc_prolog *header) {
    return (header->attributes & ZEL_SVC_ATTR_LEVEL_MASK) != 0;
}

inline const char *component_name(const zel_svc_prolog *header) {
    const char *name = header->handle ? header->handle->component_name : nullptr;
    return name ? name : "";
}

inline const char *subcomponent_name(const zel_svc_prolog *header) {
    const zel_svc_subcomp *row = subcomp_row(header->handle, header->table_index);
    return row ? row->name : "";
}

inline const char *severity_name(const zel_svc_prolog *header) {
    unsigned32 index = (header->attributes & ZEL_SVC_ATTR_SEV_MASK) >> 4;
    return index >= 1 && index <= 5 ? zel_svc_g_code_table[index - 1] : "";
}

inline unsigned long thread_number(const zel_svc_prolog *header) {
    pthread_t thread = header->thread;
    return zel_svc__mapthreadid(&thread);
}

// Size of the time text buffer of a record (text and NUL).
constexpr int kTimeTextSize = 50;

// Fills a message header and looks its text up: UTF-8 (utf8 set) or local.
// `at` fixes the time stamp (null: now). The text is allocated, or with
// memo given, the thread memo's when *memo is set (released with
// release_memo_text).
void build_message_header(zel_svc_prolog *header, zel_svc_handle *handle, bool utf8,
                          const char *file, int line, const char *argtypes, unsigned32 index,
                          unsigned32 attributes, unsigned32 msgid, const zel_utc_t *at = nullptr,
                          MemoEntry **memo = nullptr);
// Fills a trace header; format and file are the caller's, not copied.
void build_trace_header(zel_svc_prolog *header, zel_svc_handle *handle, const char *file, int line,
                        unsigned32 index, unsigned32 level, const char *format,
                        const zel_utc_t *at = nullptr);
// The record's time text (empty when it cannot be rendered).
void time_text(const zel_svc_prolog *header, char text[kTimeTextSize]);

// One record as a writer sees it: bytes made once per call, which a writer
// only frames, copies or escapes.
struct RecordBytes {
    const zel_svc_prolog *header;
    // The message's own text, which the Id and Severity of an XML message
    // record are read from: a saved message keeps only its start.
    const char *message_text;
    const char *time;
    const RecordText *text;
    const RecordText *params;  // XML message records: the parameter values
};

// Room for a text prefix: longer ones (very long file names) are rare and
// go through stdio.
constexpr size_t kPrefixSize = 512;
// The text prefix of a record in buf, term after it; its length, or 0 when it
// does not fit in size bytes.
size_t build_text_prefix(char *buf, size_t size, const zel_svc_prolog *header, const char *time,
                         int term);
// True when the record is written without its prefix.
bool prefix_left_out(const zel_svc_prolog *header);
// The writers below run with the stream held (flockfile) and may use the
// unlocked stdio calls.
// Writes the text prefix (term follows it) or the XML prefix.
void write_prefix(FILE *stream, const RecordBytes &record, int term, bool xml);
// Writes what follows the text: a newline, or the XML ending.
void write_ending(FILE *stream, const zel_svc_prolog *header, bool xml);

// Writes one record, locked against other writers of the file and of the
// stream; whether it reached the file (false: errno tells why). A text
// record to a log file (direct) goes out in one system call.
bool write_record(FILE *stream, const RecordBytes &record, int term, bool xml, bool direct);

// Whole-file write lock on the file behind a descriptor, held while one
// record is written, with cancellation disabled meanwhile. The results are
// ignored: a terminal or pipe is written without a lock. error is the
// thread's errno, which the writer finds before its first system call: after
// one, the C library's code that finds it would be cold again.
void lock_for_write(int fd, int *old_cancel_state, int &error);
void unlock_for_write(int fd, int old_cancel_state, int &error);
// fcntl record lock: F_SETLKW when wait is set, else F_SETLK.
int set_file_lock(int fd, struct flock *lock, bool wait);

}  // namespace zel

#endif
