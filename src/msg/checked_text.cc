// Choosing the text of a message that is formatted with a caller's
// arguments: the catalog's translation when it reads the same arguments as
// the call passes, else the compiled text. A translation is data from
// outside; the compiled text is the program's own.
#include "msg/checked_text.h"

#include <zel/msg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmt/format_signature.h"
#include "msg/message_layer.h"
#include "msg/status_codes.h"

namespace zel {
namespace {

// The plain lookup's text points into the catalog cache; it is copied under
// the message lock, as zel_msg_get_msg does.
char *plain_catalog_copy(unsigned32 code, unsigned32 *status) {
    msg_layer_setup();
    char *copy = nullptr;
    ZEL_MSG_LOCK();
    if (const char *text = zel_msg_get_cat_msg(code, status)) copy = strdup(text);
    ZEL_MSG_UNLOCK();
    return copy;
}

// What the call passes: the conversions of argtypes when it names any, else
// those of the compiled text; with neither (or a compiled text that cannot
// be read), no arguments, so that only a text without conversions is taken.
void expected_arguments(const char *argtypes, const char *compiled, FormatSignature *sig) {
    if (argtypes && *argtypes) {
        format_signature(argtypes, sig);
        if (sig->usable && sig->count > 0) return;
    }
    if (compiled) {
        format_signature(compiled, sig);
        if (sig->usable) return;
    }
    sig->usable = true;
    sig->count = 0;
}

void report_refusal(unsigned32 code, const FormatSignature &found,
                    const FormatSignature &expected) {
    if (!std::getenv("VRSVC_DEBUG_MSG")) return;
    char reads[512], passed[512];
    describe_signature(found, reads, sizeof reads);
    describe_signature(expected, passed, sizeof passed);
    std::fprintf(stderr,
                 "catalog text of message 0x%8.8lx not used: it reads %s, the call passes %s\n",
                 static_cast<unsigned long>(code), reads, passed);
}

}  // namespace

bool catalog_text_agrees(unsigned32 code, const char *catalog, const char *argtypes,
                         const char *compiled) {
    // An untranslated catalog (the English one) holds the compiled text itself.
    if (compiled && std::strcmp(catalog, compiled) == 0) return true;
    FormatSignature found, expected;
    format_signature(catalog, &found);
    expected_arguments(argtypes, compiled, &expected);
    if (same_signature(found, expected)) return true;
    report_refusal(code, found, expected);
    return false;
}

char *checked_message_text(unsigned32 code, const char *argtypes, bool utf8,
                           bool *catalog_missing) {
    unsigned32 status = 0;
    char *catalog = utf8 ? zel_msg_get_locale_cat_msg(code, nullptr, zel_svc_utf8_cs, 4, &status)
                         : plain_catalog_copy(code, &status);
    if (catalog_missing) {
        *catalog_missing = status == ZEL_S_CAT_NOT_FOUND || status == ZEL_S_CAT_NOT_PERMITTED ||
                           status == ZEL_S_CAT_NOT_OPENED;
    }
    const char *compiled = zel_msg_get_default_msg(code, &status);
    if (catalog && catalog_text_agrees(code, catalog, argtypes, compiled)) return catalog;
    std::free(catalog);
    if (compiled) return strdup(compiled);
    char unknown[64];
    std::snprintf(unknown, sizeof unknown, "Unknown message number 0x%8.8lx",
                  static_cast<unsigned long>(code));
    return strdup(unknown);
}

}  // namespace zel
