// Assertions: a broken internal invariant becomes a FATAL record through the
// serviceability routes, after which the process aborts.
#include <zel/msg.h>
#include <zel/status.h>
#include <zel/svc.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>

#include "svc/core/core_state.h"

namespace {

zel_svc_subcomp g_assert_table[] = {{"assert", "DCE assertion failures", 0, 0},
                                    {nullptr, nullptr, 0, 0}};
std::atomic<zel_svc_handle *> g_assert_handle{nullptr};

// The message's text belongs to the message layer's catalogs; without them
// the record must still name the expression, file and line, so a compiled
// text stands behind the catalog's.
const zel_msg_row kAssertText[] = {
    {ZEL_S_INTERNAL_CHECK_FAILED, "Assertion failed: \"%s\" in file %s at line %d."}};
pthread_once_t g_text_once = PTHREAD_ONCE_INIT;

void define_text() {
    unsigned32 status;
    if (!zel_msg_get_default_msg(ZEL_S_INTERNAL_CHECK_FAILED, &status)) {
        zel_msg_define_msg_table(kAssertText, 1, &status);
    }
}

}  // namespace

extern "C" void zel___assert(zel_svc_handle *handle, const char *expression, const char *file,
                             int line) {
    // A check that fails while writing its own record ends at once.
    static thread_local bool asserting = false;
    if (asserting) std::abort();
    asserting = true;
    // A check that fails under the serviceability mutex (a route block being
    // closed) would wait for itself to write the record: the mutex is given
    // up, since the process ends here anyway.
    if (zel::svc_locked_by_this_thread()) zel::svc_unlock();
    pthread_once(&g_text_once, define_text);
    if (!handle) {
        // Two threads asserting at once may both register; either handle serves.
        handle = g_assert_handle.load();
        if (!handle) {
            unsigned32 status;
            handle = zel_svc_register(g_assert_table, "dce", &status);
            g_assert_handle.store(handle);
        }
    }
    zel_svc_printf_withfile(handle, "core/svcutl/dceassert", 54, "ssd", 0,
                            ZEL_SVC_SEV_FATAL | ZEL_SVC_ATTR_ABORT, ZEL_S_INTERNAL_CHECK_FAILED,
                            expression, file, line);
    // Nothing was written and nothing aborted (no handle could be had, or the
    // message was held back): the failed check must still not go on.
    std::abort();
}
