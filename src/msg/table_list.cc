// The list of message tables and the default-text lookup. The lookup returns
// what a first-match scan of the list returns; the compiled tables are known
// to be sorted without duplicates, so they are searched by bisection.
#include <zel/msg.h>

#include <algorithm>
#include <cstdlib>

#include "msg/message_layer.h"
#include "msg/status_codes.h"

namespace {

constexpr unsigned32 kClientRows = 114, kDeployRows = 831, kInterfaceRows = 99;

bool is_compiled_table(const zel_msg_row *table) {
    return table == zelmox_client_svc_g_table || table == zelmox_deploy_svc_g_table ||
           table == zelmox_if_svc_g_table;
}

const char *find_in_sorted(const zel_msg_row *rows, unsigned32 count, unsigned32 code) {
    const zel_msg_row *end = rows + count;
    const zel_msg_row *row = std::lower_bound(
        rows, end, code, [](const zel_msg_row &r, unsigned32 c) { return r.code < c; });
    return row != end && row->code == code ? row->text : nullptr;
}

const char *find_by_scan(const zel_msg_row *rows, unsigned32 count, unsigned32 code) {
    for (unsigned32 i = 0; i < count; ++i) {
        if (rows[i].code == code) return rows[i].text;
    }
    return nullptr;
}

}  // namespace

extern "C" {

const zel_msg_table zel_msg_g_compiled_table[3] = {
    {zelmox_client_svc_g_table, kClientRows, 0x3665A096, 0x3665AFD4},
    {zelmox_deploy_svc_g_table, kDeployRows, 0x3665B096, 0x3665BFD7},
    // The bound is one above the last row (0x36660FD2).
    {zelmox_if_svc_g_table, kInterfaceRows, 0x36660096, 0x36660FD3},
};
const zel_msg_table *zel_msg_g_curr_table = zel_msg_g_compiled_table;
unsigned32 zel_msg_g_table_size = 3;

void zel_msg_define_msg_table(const zel_msg_row *table, unsigned32 count, unsigned32 *status) {
    if (!table) count = 0;  // nothing to read: appended as a table that never matches
    zel::msg_layer_setup();
    ZEL_MSG_LOCK();
    unsigned32 size = zel_msg_g_table_size;
    auto *list = static_cast<zel_msg_table *>(std::malloc((size + 1) * sizeof(zel_msg_table)));
    if (!list) {
        zel::set_status(status, ZEL_S_MSG_NO_MEMORY);
    } else {
        std::copy(zel_msg_g_curr_table, zel_msg_g_curr_table + size, list);
        zel_msg_table &added = list[size];
        added.table = table;
        added.count = count;
        // A table without rows never matches: its bounds exclude every code.
        added.low = count ? table[0].code : 1;
        added.high = count ? table[0].code : 0;
        for (unsigned32 i = 0; i < count; ++i) {
            added.low = std::min(added.low, table[i].code);
            added.high = std::max(added.high, table[i].code);
        }
        if (zel_msg_g_curr_table != zel_msg_g_compiled_table) {
            std::free(const_cast<zel_msg_table *>(zel_msg_g_curr_table));
        }
        zel_msg_g_curr_table = list;
        zel_msg_g_table_size = size + 1;
        zel::set_status(status, 0);
    }
    ZEL_MSG_UNLOCK();
}

const char *zel_msg_get_default_msg(unsigned32 code, unsigned32 *status) {
    if (code == 0) code = ZEL_S_MSG_SUCCESS;
    const zel_msg_table *list = zel_msg_g_curr_table;
    for (unsigned32 i = 0, size = zel_msg_g_table_size; i < size; ++i) {
        const zel_msg_table &entry = list[i];
        if (entry.low > code || entry.high < code) continue;
        const char *text = is_compiled_table(entry.table)
                               ? find_in_sorted(entry.table, entry.count, code)
                               : find_by_scan(entry.table, entry.count, code);
        if (text) {
            zel::set_status(status, 0);
            return text;
        }
    }
    zel::set_status(status, ZEL_S_MSG_NOT_IN_TABLES);
    return nullptr;
}
}
