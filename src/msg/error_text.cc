// One-line descriptions of status codes for error reports.
#include <zel/msg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "msg/status_codes.h"

namespace {

using MessageGetter = char *(*)(unsigned32, unsigned32 *);

bool is_facility_code(unsigned32 code) {
    unsigned32 technology = code >> 28;
    return technology == 4 || technology == 5;
}

// Codes of technologies 4 and 5 name their catalog rather than a component;
// message 1 of that catalog names the facility. Without both texts the code
// is described by itself.
bool describe_facility_code(unsigned32 code, char *text) {
    unsigned32 st;
    zel_msg_catalog *cat = zel_msg_cat_open(code, &st);
    if (cat) {
        const char *message = zel_msg_cat_get_msg(cat, code, &st);
        const char *facility =
            message ? zel_msg_cat_get_msg(cat, (code & ~0x3FFFu) | 1, &st) : nullptr;
        zel_msg_cat_close(cat, &st);
        if (facility) {
            int names = std::snprintf(nullptr, 0, " (%s)", facility);
            int room = names < ZEL_ERROR_TEXT_MAX - 1 ? ZEL_ERROR_TEXT_MAX - 1 - names : 0;
            std::snprintf(text, ZEL_ERROR_TEXT_MAX, "%.*s (%s)", room, message, facility);
            return true;
        }
    }
    std::snprintf(text, ZEL_ERROR_TEXT_MAX, "status 0x%8.8lx", static_cast<unsigned long>(code));
    return false;
}

void describe(unsigned32 code, char *text, int *status, MessageGetter get, bool dce_as_vr) {
    if (status) *status = -1;
    if (code == 0) code = ZEL_S_MSG_SUCCESS;
    if (is_facility_code(code)) {
        if (describe_facility_code(code, text) && status) *status = 0;
        return;
    }
    char technology[4], component[4];
    zel_msg__inq_tech(code, technology);
    zel_msg__inq_comp(code, component);
    if (dce_as_vr && std::strcmp(technology, "dce") == 0) std::strcpy(technology, "vr");

    unsigned32 found = 0;
    char *message = get(code, &found);
    if (message && found == 0) {
        // Cut a long text so that the names still fit the buffer.
        int names = std::snprintf(nullptr, 0, " (%s / %s)", technology, component);
        int room = ZEL_ERROR_TEXT_MAX - 1 - names;
        std::snprintf(text, ZEL_ERROR_TEXT_MAX, "%.*s (%s / %s)", room, message, technology,
                      component);
        if (status) *status = 0;
    } else {
        std::snprintf(text, ZEL_ERROR_TEXT_MAX, "status 0x%8.8lx (%s / %s)",
                      static_cast<unsigned long>(code), technology, component);
    }
    std::free(message);
}

}  // namespace

extern "C" {

void zel_error_inq_text(unsigned32 code, char *text, int *status) {
    describe(code, text, status, zel_msg_get_msg, false);
}

void zel_error_inq_text_utf8(unsigned32 code, char *text, int *status) {
    describe(code, text, status, zel_msg_get_msg_utf8, true);
}
}
