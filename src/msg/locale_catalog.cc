// Catalog texts in a chosen locale and code set, as allocated copies.
#include <zel/msg.h>

#include <cstdlib>
#include <cstring>

#include "msg/catalog_cache.h"
#include "msg/message_layer.h"
#include "msg/status_codes.h"

namespace {

// Open flags of each lookup mode; each selects its own class of the cache.
constexpr int kModeFlags[5] = {14, 12, 10, 8, 0};

// Frees a code set this lookup made, also when the thread is cancelled
// while the catalog is opened or read.
void free_code_set(void *cs) {
    if (cs) lyr_cs_free(static_cast<lyr_cs_t>(cs));
}

}  // namespace

extern "C" char *zel_msg_get_locale_cat_msg(unsigned32 code, const char *localeName,
                                            const char *codeSetName, unsigned32 mode,
                                            unsigned32 *status) {
    zel::set_status(status, 0);
    if (code == 0) return nullptr;
    zel::msg_layer_setup();

    lyr_cs_t cs = nullptr;
    lyr_cs_t owned = nullptr;
    if (codeSetName == zel_svc_utf8_cs) {
        cs = zel_svc_cs_utf8;
    } else if (codeSetName) {
        cs = owned = lyr_cs_new(codeSetName);
        if (!cs) {
            zel::set_status(status, ZEL_S_CAT_NOT_OPENED);
            return nullptr;
        }
    }
    if (mode > 4) {
        zel::set_status(status, ZEL_S_INTERNAL_CHECK_FAILED);
        if (owned) lyr_cs_free(owned);
        return nullptr;
    }

    char *copy = nullptr;
    unsigned32 st = 0;
    pthread_cleanup_push(free_code_set, owned);
    ZEL_MSG_LOCK();
    zel_msg_catalog *cat = zel::catalog_open(code, localeName, kModeFlags[mode], &st);
    if (cat) {
        // A catalog that only the system could open is read unconverted.
        const char *text = zel::catalog_fetch(cat, code, cs);
        if (!text) {
            st = ZEL_S_CAT_NO_MESSAGE;
        } else if (!(copy = strdup(text))) {
            st = ZEL_S_MSG_NO_MEMORY;
        }
    }
    ZEL_MSG_UNLOCK();
    pthread_cleanup_pop(1);
    zel::set_status(status, st);
    return copy;
}
