/* Status codes, compiled message tables and message text lookup. */
#ifndef ZEL_MSG_H
#define ZEL_MSG_H

#include <jrnmsg/lyr.h>
#include <zel/base.h>

ZEL_BEGIN_C

/* One row of a message table: a status code and its text (never null, may be empty). */
typedef struct {
    unsigned32 code;
    const char *text;
} zel_msg_row;

/* One entry of the list of message tables searched for default texts. */
typedef struct {
    const zel_msg_row *table;
    unsigned32 count, low, high;
} zel_msg_table;

/* The three compiled tables, in the order they are searched. */
ZEL_EXPORT extern const zel_msg_row zelmox_client_svc_g_table[];
ZEL_EXPORT extern const zel_msg_row zelmox_deploy_svc_g_table[];
ZEL_EXPORT extern const zel_msg_row zelmox_if_svc_g_table[];

/* The constant list of the three compiled tables. */
ZEL_EXPORT extern const zel_msg_table zel_msg_g_compiled_table[];
/* The list in use; starts as zel_msg_g_compiled_table and grows with each table added. */
ZEL_EXPORT extern const zel_msg_table *zel_msg_g_curr_table;
/* The number of entries of zel_msg_g_curr_table. */
ZEL_EXPORT extern unsigned32 zel_msg_g_table_size;

/* Appends a table to the list in use. The table is referenced, not copied: it
 * must stay valid for the life of the process. Add tables at start-up, before
 * other threads look texts up. Status 0, or ZEL_S_MSG_NO_MEMORY. */
ZEL_EXPORT void zel_msg_define_msg_table(const zel_msg_row *table, unsigned32 count,
                                         unsigned32 *status);

/* The compiled default text of a code (code 0 stands for ZEL_S_MSG_SUCCESS): the text
 * of the first row that holds it, searching the list from its first entry.
 * Points into the table; never freed. Status 0, or ZEL_S_MSG_NOT_IN_TABLES with null. */
ZEL_EXPORT const char *zel_msg_get_default_msg(unsigned32 code, unsigned32 *status);

/* Technology name of a code into a 4-byte buffer: "dce", "dfs", "vr" or "???". */
ZEL_EXPORT void zel_msg__inq_tech(unsigned32 code, char name[4]);
/* Three-letter component name of a code into a 4-byte buffer (empty for
 * component numbers of 64000 and above). */
ZEL_EXPORT void zel_msg__inq_comp(unsigned32 code, char name[4]);

/* The message text of a code: from the catalog of its component in the process
 * locale, else the compiled tables, else "Unknown message number 0x%8.8lx".
 * The caller frees the result (free or zelmsg_free). Status 0 when a text was
 * found, ZEL_S_MSG_NOT_IN_TABLES when the fallback text is returned, ZEL_S_MSG_NO_MEMORY with null
 * when out of memory. */
ZEL_EXPORT char *zel_msg_get_msg(unsigned32 code, unsigned32 *status);
/* As zel_msg_get_msg, with the catalog text converted to UTF-8. */
ZEL_EXPORT char *zel_msg_get_msg_utf8(unsigned32 code, unsigned32 *status);

/* Size of a buffer that always holds an error description; longer message
 * texts are cut so that the description fits. */
#define ZEL_ERROR_TEXT_MAX 1024

/* A one-line description of a status code written into text, which must hold
 * ZEL_ERROR_TEXT_MAX bytes: "%s (%s / %s)" with the message, technology and
 * component, or "status 0x%8.8lx (%s / %s)". *status (may be null) is 0 when a message text
 * was found, -1 otherwise. */
ZEL_EXPORT void zel_error_inq_text(unsigned32 code, char *text, int *status);
/* As zel_error_inq_text, with the text in UTF-8 and "vr" written for "dce". */
ZEL_EXPORT void zel_error_inq_text_utf8(unsigned32 code, char *text, int *status);

/* An open message catalog in the catalog cache. */
typedef struct zel_msg_catalog zel_msg_catalog;

/* The catalog of a code's component in the process locale, from the cache or
 * opened into it. The result belongs to the cache; do not free it. Status 0,
 * ZEL_S_MSG_NO_MEMORY, ZEL_S_CAT_NOT_OPENED, ZEL_S_CAT_NOT_PERMITTED or
 * ZEL_S_CAT_NOT_FOUND. */
ZEL_EXPORT zel_msg_catalog *zel_msg_cat_open(unsigned32 code, unsigned32 *status);
/* A message of an open catalog, unconverted; points into the catalog and
 * stays valid while the catalog is cached. Absent: null and ZEL_S_CAT_NO_MESSAGE (the
 * status is left alone on success). */
ZEL_EXPORT const char *zel_msg_cat_get_msg(zel_msg_catalog *cat, unsigned32 code,
                                           unsigned32 *status);
/* Sets the status to 0; the catalog stays cached. */
ZEL_EXPORT void zel_msg_cat_close(zel_msg_catalog *cat, unsigned32 *status);
/* Opens and fetches in one step (code 0 stands for ZEL_S_MSG_SUCCESS); ZEL_S_CAT_NO_MESSAGE
 * when SVC_NOXPGCAT switches plain catalog lookups off. */
ZEL_EXPORT const char *zel_msg_get_cat_msg(unsigned32 code, unsigned32 *status);
/* The message in a locale (null: the process locale), converted into the
 * named code set (null: unconverted), as a copy the caller frees. mode 0..4
 * chooses how the catalog is opened; above 4: ZEL_S_INTERNAL_CHECK_FAILED. */
ZEL_EXPORT char *zel_msg_get_locale_cat_msg(unsigned32 code, const char *localeName,
                                            const char *codeSetName, unsigned32 mode,
                                            unsigned32 *status);

/* "UTF8": the name of the UTF-8 code set. */
ZEL_EXPORT extern const char *zel_svc_utf8_cs;
/* The shared UTF-8 code set, made once by zel_svc_nls_init. */
ZEL_EXPORT extern lyr_cs_t zel_svc_cs_utf8;
/* The code set that UTF-8 lookups ask for; the library never sets it, and
 * null means the services' default code set. */
ZEL_EXPORT extern lyr_cs_t vr_zel_svc_utf8_cs;

/* Makes the shared UTF-8 code set once. */
ZEL_EXPORT void zel_svc_nls_init(void);
/* The value of vr_zel_svc_utf8_cs. */
ZEL_EXPORT lyr_cs_t zelsvc_get_utf8_code_page(void);
/* The calling thread's local code set (the system code set of the process
 * locale), made once per thread; null when it cannot be made. */
ZEL_EXPORT lyr_cs_t zelsvc_get_local_code_page(void);
/* The calling thread's locale handle, made once per thread; null when it
 * cannot be made (the next call tries again). */
ZEL_EXPORT lyr_loc_t zelsvc_get_locale(void);
/* The process locale name: empty until some thread has asked for its locale. */
ZEL_EXPORT const char *zelsvc_get_locale_name(void);

/* Frees a text returned by the message getters. */
ZEL_EXPORT void zelmsg_free(void *text);
/* The text of a code in a named locale, in UTF-8: a catalog copy (*allocated
 * 1, free it with zelmsg_free) or a compiled text (*allocated 0, never
 * freed); null with status ZEL_S_MSG_NOT_IN_TABLES when neither has it. The locale "C"
 * never opens a catalog. */
ZEL_EXPORT const char *zelmsg_get_utf8_locale_msg(unsigned32 code, const char *localeName,
                                                  int *allocated, unsigned32 *status);

ZEL_END_C

#endif
