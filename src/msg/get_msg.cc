// Message text of a status code, as an allocated copy that never fails to
// hold some text: the catalog of the code's component, else the compiled
// tables, else "Unknown message number".
#include <zel/msg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "msg/message_layer.h"
#include "msg/status_codes.h"

namespace {

char *copy_text(const char *text, unsigned32 *status) {
    size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (!copy) {
        zel::set_status(status, ZEL_S_MSG_NO_MEMORY);
        return nullptr;
    }
    std::memcpy(copy, text, size);
    return copy;
}

// Steps shared by both getters once the catalog has not given a text. The
// caller holds the message lock.
char *default_or_unknown(unsigned32 code, unsigned32 *status) {
    const char *text = zel_msg_get_default_msg(code, status);
    char unknown[64];
    if (!text) {
        std::snprintf(unknown, sizeof unknown, "Unknown message number 0x%8.8lx",
                      static_cast<unsigned long>(code));
        text = unknown;
    }
    return copy_text(text, status);
}

}  // namespace

extern "C" {

char *zel_msg_get_msg(unsigned32 code, unsigned32 *status) {
    zel::msg_layer_setup();
    char *text;
    ZEL_MSG_LOCK();
    // The catalog's text points into the cache: it is copied under the lock.
    unsigned32 st;
    const char *catalog_text = zel_msg_get_cat_msg(code, &st);
    if (catalog_text) {
        zel::set_status(status, 0);
        text = copy_text(catalog_text, status);
    } else {
        text = default_or_unknown(code, status);
    }
    ZEL_MSG_UNLOCK();
    return text;
}

// The catalog lookup takes the message lock itself, so it runs before this
// function takes it. Without a code set set by the program, the text is
// asked for in UTF-8.
char *zel_msg_get_msg_utf8(unsigned32 code, unsigned32 *status) {
    zel::msg_layer_setup();
    const char *code_set = reinterpret_cast<const char *>(zelsvc_get_utf8_code_page());
    unsigned32 st;
    char *text = zel_msg_get_locale_cat_msg(code, zelsvc_get_locale_name(),
                                            code_set ? code_set : zel_svc_utf8_cs, 4, &st);
    if (text && st == 0) {
        zel::set_status(status, 0);
        return text;
    }
    std::free(text);
    ZEL_MSG_LOCK();
    text = default_or_unknown(code, status);
    ZEL_MSG_UNLOCK();
    return text;
}
}
