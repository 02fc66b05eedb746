/* Time-based 128-bit universally unique identifiers: creation, comparison,
 * hashing and the two text forms. Every function ends with a status
 * out-parameter (0 on success) and sets the module up on first use. */
#ifndef ZEL_UUID_H
#define ZEL_UUID_H

#include <zel/base.h>

ZEL_BEGIN_C

/* An identifier. The integer fields are in host byte order in memory. */
typedef struct {
    unsigned32 time_low;                     /* time stamp bits 0-31 */
    unsigned short time_mid;                 /* time stamp bits 32-47 */
    unsigned short time_hi_and_version;      /* time stamp bits 48-59, version in the top 4 */
    unsigned char clock_seq_hi_and_reserved; /* clock sequence bits 8-13, variant in the top 2 */
    unsigned char clock_seq_low;             /* clock sequence bits 0-7 */
    unsigned char node[6];                   /* the IEEE 802 network address */
} vr_uuid_t;

#ifdef __cplusplus
static_assert(sizeof(vr_uuid_t) == 16, "vr_uuid_t is 16 bytes");
#else
_Static_assert(sizeof(vr_uuid_t) == 16, "vr_uuid_t is 16 bytes");
#endif

/* The nil identifier: 16 zero bytes. */
ZEL_EXPORT extern vr_uuid_t uuid_g_nil_uuid;

/* Makes a new version 1 identifier from the clock, the clock sequence and
 * this host's network address. Never returns the same identifier twice in a
 * process; any thread may call it. Status ZEL_S_UUID_NO_ADDRESS when no
 * network address can be found (nothing is written; a later call retries). */
ZEL_EXPORT void vr_uuid_create(vr_uuid_t *uuid, unsigned int *status);
/* Writes the nil identifier. */
ZEL_EXPORT void vr_uuid_create_nil(vr_uuid_t *uuid, unsigned int *status);
/* True when all 16 bytes are zero. Every function taking an identifier
 * refuses one whose byte 8 is 0xE0 or more with ZEL_S_UUID_BAD_VARIANT. */
ZEL_EXPORT int vr_uuid_is_nil(vr_uuid_t *uuid, unsigned int *status);
/* True when the two identifiers are equal byte for byte. */
ZEL_EXPORT int vr_uuid_equal(vr_uuid_t *uuid1, vr_uuid_t *uuid2, unsigned int *status);
/* -1, 0 or 1, comparing the fields in order as unsigned values. A null
 * pointer stands for the nil identifier; an invalid variant gives -1. */
ZEL_EXPORT int vr_uuid_compare(vr_uuid_t *uuid1, vr_uuid_t *uuid2, unsigned int *status);
/* A 16-bit checksum hash of the 16 bytes; 0 for the nil identifier. */
ZEL_EXPORT unsigned short vr_uuid_hash(vr_uuid_t *uuid, unsigned int *status);
/* Writes the 36-character lower-case text form into a new malloc'd string
 * at *text, which the caller frees with vr_uuid_string_free. A null `text`
 * does nothing. Status ZEL_S_UUID_NO_MEMORY when the string cannot be made. */
ZEL_EXPORT void vr_uuid_to_string(vr_uuid_t *uuid, char **text, unsigned int *status);
/* Frees *text and sets it null; a null `text` is ignored. */
ZEL_EXPORT void vr_uuid_string_free(char **text, unsigned int *status);
/* Parses the text form (8-4-4-4-12 hexadecimal digits) or the old form
 * (12 digits, then 8 bytes of two digits each, separated by '.'). A null or
 * empty text gives the nil identifier. Status ZEL_S_UUID_BAD_TEXT or
 * ZEL_S_UUID_BAD_VARIANT; nothing is stored on failure. */
ZEL_EXPORT void vr_uuid_from_string(const char *text, vr_uuid_t *uuid, unsigned int *status);

/* Finds this host's 6-byte network address: the hardware address of the first
 * interface that is neither loopback nor point-to-point, else the first 12
 * hexadecimal digits of the file /etc/ieee_802_addr. Status 0,
 * ZEL_S_NO_NETWORK_ADDRESS or ZEL_S_BAD_ADDRESS_FILE. Ends the process
 * (status 1) when no socket or no interface list can be had. */
ZEL_EXPORT void vr_get_802_addr(unsigned char *address, unsigned int *status);

ZEL_END_C

#endif
