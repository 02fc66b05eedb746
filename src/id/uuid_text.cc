// The two text forms of an identifier: the current 8-4-4-4-12 form, written
// and read, and the old 12-digit form with eight dotted bytes, read only.
// Fields are read with sscanf into temporaries, so a failure stores nothing.
#include <zel/status.h>
#include <zel/uuid.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "id/uuid_hooks.h"

namespace {

constexpr size_t kTextLength = 36;

// The current form; %8lx fills a long, which is 32 bits on i386 and 64 here.
bool read_current(const char *text, vr_uuid_t *uuid) {
    unsigned long time_low;
    unsigned int f[10];
    int count = sscanf(text, "%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &time_low, &f[0], &f[1],
                       &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9]);
    if (count != 11) return false;
    uuid->time_low = static_cast<unsigned32>(time_low);
    uuid->time_mid = static_cast<unsigned short>(f[0]);
    uuid->time_hi_and_version = static_cast<unsigned short>(f[1]);
    uuid->clock_seq_hi_and_reserved = static_cast<unsigned char>(f[2]);
    uuid->clock_seq_low = static_cast<unsigned char>(f[3]);
    for (int i = 0; i < 6; ++i) uuid->node[i] = static_cast<unsigned char>(f[4 + i]);
    return true;
}

// The old form: a 32-bit and a 16-bit number, two zero bytes, then a family
// byte and seven host bytes.
bool read_old(const char *text, vr_uuid_t *uuid) {
    unsigned long high;
    unsigned int low, b[8];
    int count = sscanf(text, "%8lx%4x.%2x.%2x.%2x.%2x.%2x.%2x.%2x.%2x", &high, &low, &b[0], &b[1],
                       &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]);
    if (count != 10) return false;
    uuid->time_low = static_cast<unsigned32>(high);
    uuid->time_mid = static_cast<unsigned short>(low);
    uuid->time_hi_and_version = 0;
    unsigned char *bytes = reinterpret_cast<unsigned char *>(uuid);
    for (int i = 0; i < 8; ++i) bytes[8 + i] = static_cast<unsigned char>(b[i]);
    return true;
}

}  // namespace

extern "C" {

void vr_uuid_to_string(vr_uuid_t *uuid, char **text, unsigned int *status) {
    unsigned int spare;
    if (!status) status = &spare;
    zel::uuid_init_once();
    *status = 0;
    if (!text) return;
    const vr_uuid_t *u = uuid ? uuid : &zel::uuid_nil;
    if (!zel::uuid_variant_ok(u)) {
        *status = ZEL_S_UUID_BAD_VARIANT;
        return;
    }
    char *made = static_cast<char *>(malloc(kTextLength + 1));
    if (!made) {
        *status = ZEL_S_UUID_NO_MEMORY;
        return;
    }
    snprintf(made, kTextLength + 1, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
             static_cast<unsigned>(u->time_low), u->time_mid, u->time_hi_and_version,
             u->clock_seq_hi_and_reserved, u->clock_seq_low, u->node[0], u->node[1], u->node[2],
             u->node[3], u->node[4], u->node[5]);
    *text = made;
}

void vr_uuid_string_free(char **text, unsigned int *status) {
    if (status) *status = 0;
    if (!text) return;
    free(*text);
    *text = nullptr;
}

void vr_uuid_from_string(const char *text, vr_uuid_t *uuid, unsigned int *status) {
    unsigned int spare;
    if (!status) status = &spare;
    zel::uuid_init_once();
    if (!uuid) {
        *status = ZEL_S_SYSTEM_INPUT_INVALID;
        return;
    }
    if (!text || !*text) {
        *uuid = zel::uuid_nil;
        *status = 0;
        return;
    }
    vr_uuid_t read;
    if (strnlen(text, kTextLength + 1) != kTextLength ||
        !(text[8] == '-' ? read_current(text, &read) : read_old(text, &read))) {
        *status = ZEL_S_UUID_BAD_TEXT;
        return;
    }
    if (!zel::uuid_variant_ok(&read)) {
        *status = ZEL_S_UUID_BAD_VARIANT;
        return;
    }
    *uuid = read;
    *status = 0;
}

}  // extern "C"
