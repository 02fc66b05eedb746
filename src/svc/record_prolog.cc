// The record header: built once per message or trace, at the first moment a
// destination, the filter or the standard-error copy needs it.
#include <zel/msg.h>
#include <zel/svc.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "svc/record.h"

namespace zel {
namespace {

void fill_common(zel_svc_prolog *header, zel_svc_handle *handle, unsigned32 index,
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

char *copy_text(const char *text) {
    size_t n = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

// The UTF-8 message text: the catalog's, else the compiled default, else the
// lookup's fallback text. Null only when no memory is left.
char *utf8_message_text(unsigned32 msgid) {
    unsigned32 status = 0;
    if (char *text = zel_msg_get_locale_cat_msg(msgid, nullptr, "UTF8", 4, &status)) return text;
    if (const char *compiled = zel_msg_get_default_msg(msgid, &status)) return copy_text(compiled);
    char unknown[64];
    std::snprintf(unknown, sizeof unknown, "Unknown message number 0x%8.8lx",
                  static_cast<unsigned long>(msgid));
    return copy_text(unknown);
}

}  // namespace

void _build_prolog(zel_svc_msgctx *ctx, zel_svc_handle *handle, int cs, const char * /*locale*/,
                   const char *file, int line, const char *argtypes, unsigned32 index,
                   unsigned32 attributes, unsigned32 msgid, const zel_utc_t *at) {
    std::memset(ctx, 0, sizeof *ctx);
    zel_svc_prolog *header = &ctx->header;
    lyr_cs_t local = zelsvc_get_local_code_page();
    if (cs) {
        ctx->source_cs = zel_svc_cs_utf8;
        ctx->target_cs = local;
        header->format = utf8_message_text(msgid);
    } else {
        ctx->source_cs = local;
        ctx->target_cs = zel_svc_cs_utf8;
        unsigned32 status = 0;
        header->format = zel_msg_get_msg(msgid, &status);
    }
    fill_common(header, handle, index, at);
    header->argtypes = argtypes;
    header->attributes = attributes;
    header->msgid = msgid;
    if (!file) file = "?";
    const char *slash = lyr_strrchr(local, file, '/');
    header->file = slash ? slash + 1 : file;
    header->line = line;
}

void debug_fill_prolog(zel_svc_prolog *header, zel_svc_handle *handle, const char *file,
                       int line, unsigned32 index, unsigned32 level, const char *format,
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
