// Internal pieces of the record path: the header, the prefixes and endings of
// both record forms, the writers, the text helpers and the file record lock.
#ifndef ZEL_SRC_SVC_RECORD_H
#define ZEL_SRC_SVC_RECORD_H

#include <zel/svc_internal.h>

#include <stdarg.h>
#include <stdio.h>

namespace zel {

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

// Size of the time text buffer of a record (text and NUL).
constexpr int kTimeTextSize = 50;

// Builds a message header into a zeroed context and looks its text up: UTF-8
// (cs non-zero) or local. `at` fixes the time stamp (null: now).
void _build_prolog(zel_svc_msgctx *ctx, zel_svc_handle *handle, int cs, const char *locale,
                   const char *file, int line, const char *argtypes, unsigned32 index,
                   unsigned32 attributes, unsigned32 msgid, const zel_utc_t *at = nullptr);
// Builds a trace header; format and file are the caller's, not copied.
void debug_fill_prolog(zel_svc_prolog *header, zel_svc_handle *handle, const char *file,
                       int line, unsigned32 index, unsigned32 level, const char *format,
                       const zel_utc_t *at = nullptr);

// True when the record is written without its prefix.
bool prefix_left_out(const zel_svc_prolog *header);
// The record's time text (empty when it cannot be rendered).
void time_text(const zel_svc_prolog *header, char text[kTimeTextSize]);
// The writers below run with the stream held (flockfile) and may use the
// unlocked stdio calls.
// Writes the text or XML prefix (by header->xml). term follows the text
// prefix. XML parameter lines take their values from args (not consumed);
// convert_params converts "s" values from the local code page to UTF-8.
void write_prefix(FILE *stream, const zel_svc_prolog *header, const char *time_text, int term,
                  bool convert_params, va_list args);
// Writes one XML parameter line per conversion of a message text, with the
// values of args (not consumed).
void write_param_lines(FILE *stream, const char *text, bool convert, va_list args);
// Writes what follows the text: a newline, or the XML ending.
void write_ending(FILE *stream, const zel_svc_prolog *header);
// Writes the text of a record whose message text is missing.
void write_unknown(FILE *stream, const zel_svc_prolog *header);

// The direct writer (texts in the local code page, formatted per stream)
// and the context writer (converted text made once per call).
// Both say whether the record reached the file (false: errno tells why).
bool zel_svc__vfprintf(FILE *stream, zel_svc_prolog *header, int term, va_list args);
bool zel_svc__vfprintf2(FILE *stream, zel_svc_msgctx *ctx, int term, int convert, va_list args);

// Formats a bounded record text (record_text.h) into a new buffer: its length
// and text (0 and null when there is no text). The caller frees the text.
int local_sprintf(lyr_cs_t cs, char **out, const char *format, va_list args);
// Converts len bytes (0: the whole text) between the code sets into a new
// buffer; a copy when they are the same. 0 and null when nothing results.
int local_convert(lyr_cs_t from, lyr_cs_t to, int len, const char *text, char **out);
// local_sprintf in `from`, then local_convert to `to`.
int formatandconvert(lyr_cs_t from, lyr_cs_t to, const char *format, va_list args, char **out);

// Whole-file write lock on the file behind a stream, held while one record is
// written, with cancellation disabled meanwhile. The results are ignored: a
// terminal or pipe is written without a lock.
void zel_svc__lock_for_write(FILE *stream, int *old_cancel_state);
void zel_svc__unlock_for_write(FILE *stream, int old_cancel_state);
// fcntl record lock: F_SETLKW when wait is non-zero, else F_SETLK.
int zel__file_set_lock(int fd, struct flock *lock, int wait);

}  // namespace zel

#endif
