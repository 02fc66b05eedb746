// Fuzz target of debug specifications: the first byte chooses the entry
// (levels, levels and routes, or the SVC_<COMPONENT>_DBG set-up), the rest is
// the text. Levels must stay 0..9; file routes land in a temporary directory.
#include <zel/svc_internal.h>

#include <stdlib.h>

#include "route_fuzz_support.h"
#include "svc/core/core_state.h"

namespace {

zel_svc_subcomp g_table[] = {
    {"core", "d", 1, 0}, {"admin", "d", 2, 0}, {"x.y", "d", 0, 0}, {nullptr, nullptr, 0, 0}};
zel_svc_handle *g_handle;
int g_calls;

void on_level(const char *, const char *, unsigned32, unsigned32 level) {
    if (level > 9) abort();
    ++g_calls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    routefuzz::enter_temp_dir();
    unsigned32 st = 0;
    if (!g_handle) {
        g_handle = zel_svc_register(g_table, "fz", &st);
        zel_svc_register_callbacks(nullptr, nullptr, on_level, &st);
    }
    if (size == 0) return 0;
    std::string text = routefuzz::confined_text(data + 1, size - 1);
    switch (data[0] % 5) {
    case 0: zel_svc_debug_set_levels(("fz:" + text).c_str(), &st); break;
    case 1: zel_svc_debug_set_levels_nocb(text.c_str(), &st); break;
    case 2: zel_svc_debug_routing(("fz:" + text).c_str(), &st); break;
    case 3: zel_svc_debug_routing_nocb(text.c_str(), &st); break;
    default:
        setenv("SVC_FZ_DBG", ("fz:" + text).c_str(), 1);
        zel::svc_lock();
        g_handle->debug_filled = 0;
        zel_svc__debug_fillin(g_handle, &st);
        zel::svc_unlock();
        break;
    }
    for (zel_svc_subcomp *row = g_table; row->name; ++row)
        if (row->level > 9) abort();
    zel::svc_lock();
    routefuzz::exercise(&g_handle->debug_routes);
    zel_svc__close_routes(&g_handle->debug_routes);
    g_handle->debug_filled = 0;
    routefuzz::reset_files();
    zel::svc_unlock();
    return 0;
}
