// Debug level specifications: "name.level,..." where name is a sub-component
// of the component or "*" for all of them, and level is 0 to 9.
#include <zel/svc_internal.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "svc/core/core_state.h"
#include "svc/routes/routes.h"

namespace {

void set_level(zel_svc_handle *handle, zel_svc_subcomp *row, unsigned32 level, bool tell) {
    zel::store_level(row, level);
    if (!tell) return;
    for (int i = 0; i < zel_svc_g_n_callbacks; ++i) {
        zel_svc_level_fn on_level = zel_svc_g_callbacks[i].on_level;
        if (on_level) on_level(handle->component_name, row->name, row->description_msgid, level);
    }
}

// One "name.level" item; false when it is not valid.
bool apply_item(zel_svc_handle *handle, char *item, bool tell) {
    char *dot = zel::find_sep(item, '.');
    if (!dot) return false;
    *dot = '\0';
    const char *digits = dot + 1;
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
    // Read in base 10 up to the first non-digit, saturating so that a long
    // run of digits cannot overflow.
    unsigned32 level = 0;
    for (const char *d = digits; std::isdigit(static_cast<unsigned char>(*d)); ++d)
        level = level > 9 ? level : level * 10 + static_cast<unsigned32>(*d - '0');
    if (level > 9) return false;
    zel_svc_subcomp *table = handle->table;
    if (!table) return false;
    if (std::strcmp(item, "*") == 0) {
        for (zel_svc_subcomp *row = table; row->name; ++row) set_level(handle, row, level, tell);
        return true;
    }
    for (zel_svc_subcomp *row = table; row->name; ++row) {
        if (std::strcmp(row->name, item) == 0) {
            set_level(handle, row, level, tell);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace zel {

unsigned32 apply_debug_levels(zel_svc_handle *handle, const char *levels, bool tell_callbacks) {
    if (!levels || !*levels) return 0;
    char *copy = strdup(levels);
    if (!copy) return 0;
    unsigned32 status = 0;
    char *next = copy;
    while (*next) {
        char *item = cut_item(&next, ',');
        if (!apply_item(handle, item, tell_callbacks)) {
            status = ZEL_S_SVC_BAD_ROUTE_SPEC;
            break;
        }
    }
    std::free(copy);
    return status;
}

}  // namespace zel
