// Message text of a status code, as an allocated copy that never fails to
// hold some text: the compiled tables, else "Unknown message number".
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
        zel::set_status(status, zel::kMsgNoMemory);
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
    text = default_or_unknown(code, status);
    ZEL_MSG_UNLOCK();
    return text;
}

char *zel_msg_get_msg_utf8(unsigned32 code, unsigned32 *status) {
    zel::msg_layer_setup();
    char *text;
    ZEL_MSG_LOCK();
    text = default_or_unknown(code, status);
    ZEL_MSG_UNLOCK();
    return text;
}

}
