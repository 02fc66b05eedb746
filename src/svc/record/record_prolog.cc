// The record header: built once per message or trace, at the first moment a
// destination, the filter or the standard-error copy needs it.
#include <zel/msg.h>
#include <zel/svc_internal.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstring>

#include "msg/checked_text.h"
#include "msg/text_memo.h"
#include "svc/record/record.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

ZEL_RECORD_PATH void fill_common(zel_svc_prolog *header, zel_svc_handle *handle, unsigned32 index,
                                 const zel_utc_t *at) {
    header->built = 1;
    header->handle = handle;
    if (at) {
        header->time = *at;
    } else if (zel_utc_gettime(&header->time) != 0) {
        std::memset(&header->time, 0, sizeof header->time);
    }
    header->table_index = index;
    header->thread = pthread_self();
    if (zel_svc_g_progname[0] != '\0') {
        std::memcpy(header->procname, zel_svc_g_progname, sizeof header->procname);
        header->procname[sizeof header->procname - 1] = '\0';
    } else {
        std::snprintf(header->procname, sizeof header->procname, "PID#%ld",
                      static_cast<long>(zel_svc__get_pid()));
    }
}

}  // namespace

ZEL_RECORD_PATH void build_message_header(zel_svc_prolog *header, zel_svc_handle *handle, bool utf8,
                                          const char *file, int line, const char *argtypes,
                                          unsigned32 index, unsigned32 attributes, unsigned32 msgid,
                                          const zel_utc_t *at, MemoEntry **memo) {
    std::memset(header, 0, sizeof *header);
    // The text is formatted with the caller's arguments: a catalog's text
    // is taken only when it reads the arguments that argtypes (or the
    // compiled text) says were passed.
    header->format = memo ? const_cast<char *>(memo_message_text(msgid, argtypes, utf8, memo))
                          : checked_message_text(msgid, argtypes, utf8);
    fill_common(header, handle, index, at);
    header->argtypes = argtypes;
    header->attributes = attributes;
    header->msgid = msgid;
    if (!file) file = "?";
    const char *slash = lyr_strrchr(zelsvc_get_local_code_page(), file, '/');
    header->file = slash ? slash + 1 : file;
    header->line = line;
}

void build_trace_header(zel_svc_prolog *header, zel_svc_handle *handle, const char *file, int line,
                        unsigned32 index, unsigned32 level, const char *format,
                        const zel_utc_t *at) {
    std::memset(header, 0, sizeof *header);
    fill_common(header, handle, index, at);
    header->argtypes = "?";
    header->attributes = level;
    header->msgid = 0;
    header->format = const_cast<char *>(format);
    header->file = file;  // as given: a null name prints as "(null)"
    header->line = line;
}

}  // namespace zel
