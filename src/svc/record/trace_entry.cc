// The trace entry points: a printf-style trace of a sub-component, written
// through its component's debug routes when the sub-component's level is high
// enough. No filter, no standard-error copy, no abort or exit.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include "svc/core/core_state.h"
#include "svc/record/print_call.h"
#include "svc/record/record.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// Whether the sub-component's level, as filled in, reaches the trace's.
inline bool level_reaches(const zel_svc_handle *handle, unsigned32 index, unsigned32 level) {
    const zel_svc_subcomp *row = subcomp_row(handle, index);
    return row && (load_level(row) & 0xF) >= level;
}

bool debug_test_level(zel_svc_handle *handle, unsigned32 index, unsigned32 level) {
    unsigned32 status = 0;
    if (!debug_filled(handle) && !zel_svc__debug_fillin(handle, &status)) return false;
    return level_reaches(handle, index, level);
}

// The check before the mutex: false only when the levels are filled in and
// the sub-component's level is below the trace's, which is the answer the
// locked check would give. Anything else takes the locked path, which
// fills the levels in and checks again.
inline bool maybe_wanted(const zel_svc_handle *handle, unsigned32 index, unsigned32 level) {
    return handle && (!debug_filled(handle) || level_reaches(handle, index, level));
}

ZEL_RECORD_PATH void trace(Road road, zel_svc_handle *handle, const char *file, int line,
                           unsigned32 index, unsigned32 level, const char *format, va_list args) {
    if (!maybe_wanted(handle, index, level)) return;
    PrintCall call;
    call.road = road;
    call.trace = true;
    call.handle = handle;
    call.file = file;
    call.line = line;
    call.index = index;
    call.attributes = level;
    call.format = format;
    va_list ap;
    va_copy(ap, args);
    call.args = &ap;
    choose_code_sets(&call.ctx, road != Road::plain);
    svc_lock();
    pthread_cleanup_push(cleanup_wrapper, &call);
    if (debug_test_level(handle, index, level)) {
        walk_routes(&call, handle->debug_routes.routes, handle->debug_routes.count);
    }
    pthread_cleanup_pop(1);
    va_end(ap);
}

}  // namespace
}  // namespace zel

extern "C" {

ZEL_RECORD_PATH void zel_svc__vdebug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                     const char *format, va_list args) {
    zel::trace(zel::Road::plain, handle, "?", 0, index, level, format, args);
}

ZEL_RECORD_PATH void zel_svc__debug(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                    const char *format, ...) {
    if (!zel::maybe_wanted(handle, index, level)) return;  // before the argument list is set up
    va_list args;
    va_start(args, format);
    zel_svc__vdebug(handle, index, level, format, args);
    va_end(args);
}

ZEL_RECORD_PATH void zel_svc__debug_withfile(zel_svc_handle *handle, const char *file, int line,
                                             unsigned32 index, unsigned32 level, const char *format,
                                             ...) {
    if (!zel::maybe_wanted(handle, index, level)) return;
    va_list args;
    va_start(args, format);
    zel::trace(zel::Road::plain, handle, file, line, index, level, format, args);
    va_end(args);
}

ZEL_RECORD_PATH void zel_svc__debug_utf8(zel_svc_handle *handle, unsigned32 index, unsigned32 level,
                                         const char *format, ...) {
    if (!zel::maybe_wanted(handle, index, level)) return;
    va_list args;
    va_start(args, format);
    zel::trace(zel::Road::context, handle, "?", 0, index, level, format, args);
    va_end(args);
}

ZEL_RECORD_PATH void zel_svc__debug_utf8_withfile(zel_svc_handle *handle, const char *file,
                                                  int line, unsigned32 index, unsigned32 level,
                                                  const char *format, ...) {
    if (!zel::maybe_wanted(handle, index, level)) return;
    va_list args;
    va_start(args, format);
    zel::trace(zel::Road::utf8_withfile, handle, file, line, index, level, format, args);
    va_end(args);
}

}  // extern "C"
