// The nil identifier and the operations that only read identifiers: the nil
// test, equality, ordering and the 16-bit hash. A null identifier stands for
// the nil one; a variant byte of 0xE0 or more is refused.
#include <zel/status.h>
#include <zel/uuid.h>

#include <string.h>

#include "id/uuid_hooks.h"

vr_uuid_t uuid_g_nil_uuid = {0, 0, 0, 0, 0, {0, 0, 0, 0, 0, 0}};

namespace zel {

const vr_uuid_t uuid_nil = {0, 0, 0, 0, 0, {0, 0, 0, 0, 0, 0}};

namespace {

const vr_uuid_t *or_nil(const vr_uuid_t *uuid) { return uuid ? uuid : &uuid_nil; }

bool is_nil(const vr_uuid_t *uuid) { return memcmp(uuid, &uuid_nil, sizeof *uuid) == 0; }

// Sets up the module and tests the variants; false with the status set when
// one is invalid.
bool checked(unsigned int *status, const vr_uuid_t *a, const vr_uuid_t *b = &uuid_nil) {
    uuid_init_once();
    if (!uuid_variant_ok(a) || !uuid_variant_ok(b)) {
        *status = ZEL_S_UUID_BAD_VARIANT;
        return false;
    }
    *status = 0;
    return true;
}

template <typename T>
int order(T a, T b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

}  // namespace zel

extern "C" {

void vr_uuid_create_nil(vr_uuid_t *uuid, unsigned int *status) {
    unsigned int spare;
    if (!status) status = &spare;
    zel::uuid_init_once();
    if (!uuid) {
        *status = ZEL_S_SYSTEM_INPUT_INVALID;
        return;
    }
    *uuid = zel::uuid_nil;
    *status = 0;
}

int vr_uuid_is_nil(vr_uuid_t *uuid, unsigned int *status) {
    unsigned int spare;
    const vr_uuid_t *u = zel::or_nil(uuid);
    return zel::checked(status ? status : &spare, u) && zel::is_nil(u);
}

int vr_uuid_equal(vr_uuid_t *uuid1, vr_uuid_t *uuid2, unsigned int *status) {
    unsigned int spare;
    const vr_uuid_t *a = zel::or_nil(uuid1), *b = zel::or_nil(uuid2);
    return zel::checked(status ? status : &spare, a, b) && memcmp(a, b, sizeof *a) == 0;
}

int vr_uuid_compare(vr_uuid_t *uuid1, vr_uuid_t *uuid2, unsigned int *status) {
    using zel::order;
    unsigned int spare;
    if (!status) status = &spare;
    zel::uuid_init_once();
    *status = 0;
    if (!uuid1 && !uuid2) return 0;
    if (!uuid1) return zel::is_nil(uuid2) ? 0 : -1;
    if (!uuid2) return zel::is_nil(uuid1) ? 0 : 1;
    if (!zel::checked(status, uuid1, uuid2)) return -1;
    int result = order(uuid1->time_low, uuid2->time_low);
    if (!result) result = order(uuid1->time_mid, uuid2->time_mid);
    if (!result) result = order(uuid1->time_hi_and_version, uuid2->time_hi_and_version);
    if (!result) result = order(uuid1->clock_seq_hi_and_reserved, uuid2->clock_seq_hi_and_reserved);
    if (!result) result = order(uuid1->clock_seq_low, uuid2->clock_seq_low);
    if (!result) result = order(memcmp(uuid1->node, uuid2->node, sizeof uuid1->node), 0);
    return result;
}

// A Fletcher checksum over the bytes as they lie in memory, with 16-bit sums.
unsigned short vr_uuid_hash(vr_uuid_t *uuid, unsigned int *status) {
    unsigned int spare;
    const vr_uuid_t *u = zel::or_nil(uuid);
    if (!zel::checked(status ? status : &spare, u)) return 0;
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(u);
    short c0 = 0, c1 = 0;
    for (size_t i = 0; i < sizeof *u; ++i) {
        c0 = static_cast<short>(c0 + bytes[i]);
        c1 = static_cast<short>(c1 + c0);
    }
    int x = -c1 % 255, y = (c1 - c0) % 255;
    if (x < 0) x += 255;
    if (y < 0) y += 255;
    return static_cast<unsigned short>(y * 256 + x);
}

}  // extern "C"
