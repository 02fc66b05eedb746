// Sub-component descriptions in the user's language: the catalog texts of
// their message ids replace the compiled descriptions, once per handle.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <cstring>

extern "C" void zel_svc__translate(zel_svc_handle *handle, unsigned32 *status) {
    if (handle->translated) return;
    handle->translated = 1;
    zel_svc_subcomp *rows = handle->table;
    if (!rows) return;
    zel_svc_subcomp *first = rows;
    while (first->name && first->description_msgid == 0) ++first;
    if (!first->name) return;

    zel_msg_catalog *cat = zel_msg_cat_open(first->description_msgid, status);
    if (!cat) return;
    for (zel_svc_subcomp *row = first; row->name; ++row) {
        if (row->description_msgid == 0) continue;
        unsigned32 st;
        const char *text = zel_msg_cat_get_msg(cat, row->description_msgid, &st);
        // The compiled descriptions are fixed strings, so the old one is not freed.
        if (text) {
            if (char *copy = strdup(text)) row->description = copy;
        }
    }
    zel_msg_cat_close(cat, status);
}
