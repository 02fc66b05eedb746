// Fuzz target of severity route specifications: any text goes to
// zel_svc_routing; the routes built are readied and written once, looked up by
// name, and closed again. File routes land in a temporary directory.
#include <zel/svc_internal.h>

#include "route_fuzz_support.h"
#include "svc/core/core_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    routefuzz::enter_temp_dir();
    std::string text = routefuzz::confined_text(data, size);
    unsigned32 st = 0;
    zel_svc_routing(text.c_str(), &st);
    zel::svc_lock();
    for (int s = 0; s < 5; ++s) {
        int count = 0;
        zel_svc__goesto(zel_svc_g_code_table[s], &count);  // fills empty blocks
        if (count != zel_svc_g_routes[s].count) abort();
        routefuzz::exercise(&zel_svc_g_routes[s]);
        routefuzz::exercise(&zel_svc_g_routes[s]);  // a second record may rotate
    }
    for (zel_svc_routes_t &block : zel_svc_g_routes) zel_svc__close_routes(&block);
    routefuzz::reset_files();
    zel::svc_unlock();
    return 0;
}
