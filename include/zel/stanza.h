/* Stanza configuration files: plain text divided into "[stanza]" headings,
 * each followed by "name = value" entries. A handle opens and locks a file,
 * walks it with a cursor whose state callers read straight from the handle's
 * fields, and edits it in place under the exclusive lock. */
#ifndef ZEL_STANZA_H
#define ZEL_STANZA_H

#include <stdio.h>

#include <zel/base.h>

ZEL_BEGIN_C

/* Open flags: 0x1 or 0x2 must be set, nothing above 0x8, and 0x2 never with
 * 0x8 (an in-memory handle cannot be edited). */
#define ZEL_STZ_READ_ONLY \
    0x1u /* mode "r" and a shared lock; without it "r+" and an exclusive lock */
#define ZEL_STZ_READ_WRITE 0x2u /* the edit operations are allowed */
#define ZEL_STZ_NO_WAIT \
    0x4u /* a lock held elsewhere fails the open (KVXSC0169E) instead of waiting */
#define ZEL_STZ_IN_MEMORY 0x8u /* load the whole file at open, then unlock and close it */

typedef struct zelStzEntryNode {
    char *name;
    char *value; /* null: the entry has no value */
    struct zelStzEntryNode *next;
} zelStzEntryNode;

typedef struct zelStzStanzaNode {
    char *name;
    zelStzEntryNode *firstEntry; /* in file order */
    struct zelStzStanzaNode *next;
} zelStzStanzaNode;

/* The stanzas of an in-memory handle, in the reverse of their file order. */
typedef struct zelStzMemCopy {
    zelStzStanzaNode *firstStanza;
    zelStzStanzaNode *currentStanza; /* null before the first move */
    zelStzEntryNode *currentEntry;   /* null before the first entry */
} zelStzMemCopy;

/* The handle. Callers read the cursor from stanza, name and value (null: no
 * current stanza, entry or value) and the last failure from error. A file
 * handle owns those strings; an in-memory handle lends them from memCopy. */
typedef struct zelStzFile_t {
    FILE *fp;       /* null after an in-memory load */
    char *fileName; /* copy of the path given to the open */
    unsigned32 flags;
    unsigned32 error;    /* status of the last failure, 0 when none */
    signed32 headingPos; /* start of the heading line read last, or the file's length */
    signed32 bodyPos;    /* just past the current stanza's heading line */
    signed32 entryPos;   /* start of the current entry's line, or where a new entry of
                         * the stanza goes once its entries ran out */
    char *value;
    char *stanza;
    char *name;
    zelStzMemCopy *memCopy; /* null unless opened with ZEL_STZ_IN_MEMORY */
} zelStzFile_t;

/* Opens and locks path and puts the cursor on the first stanza and its first
 * entry. Returns the handle with *status 0, or null with *status KVXSC0167E
 * (bad flags), KVXSC0151E, KVXSC0168E (cannot open or lock; a message says
 * why) or KVXSC0169E (lock held elsewhere with ZEL_STZ_NO_WAIT). Nothing stays
 * allocated or locked after a failure. Free the handle only with
 * zelStzFileClose. */
ZEL_EXPORT zelStzFile_t *zelStzFileOpen(const char *path, unsigned int flags, unsigned int *status);
/* Unlocks and closes the file and frees the handle with everything it owns. */
ZEL_EXPORT void zelStzFileClose(zelStzFile_t *stz);

/* Parses every heading and entry line of the file (also those before the
 * first heading): 1 when all are well formed, else 0 with error set and a
 * message for the first bad line. For an in-memory handle (already parsed at
 * the load) the walk goes over every entry of every stanza and ends when no
 * stanza is left; a bad line that ended the load is reported then (0 and its
 * status in error). Move to the first stanza before walking again. */
ZEL_EXPORT int zelStzValidate(zelStzFile_t *stz);

/* Cursor moves. A move that returns 1 ran without error; whether it found a
 * stanza or entry is told by stanza and name being non-null. A move that
 * fails returns 0, sets error and resets the cursor. */
ZEL_EXPORT void zelStzMoveFirstStanza(zelStzFile_t *stz);
ZEL_EXPORT int zelStzMoveNextStanza(zelStzFile_t *stz);
/* The first stanza of that name in a file; the last one in an in-memory copy. */
ZEL_EXPORT int zelStzMoveStanza(zelStzFile_t *stz, const char *stanzaName);
ZEL_EXPORT int zelStzMoveFirstEntry(zelStzFile_t *stz);
ZEL_EXPORT int zelStzMoveNextEntry(zelStzFile_t *stz);
ZEL_EXPORT int zelStzMoveEntryInStanza(zelStzFile_t *stz, const char *entryName);
ZEL_EXPORT int zelStzMoveEntry(zelStzFile_t *stz, const char *stanzaName, const char *entryName);
/* Entries in the current stanza (0 without a current entry or with error
 * set); the cursor stays on the current entry. */
ZEL_EXPORT int zelStzStanzaSize(zelStzFile_t *stz);

/* Edits, on a handle opened with ZEL_STZ_READ_WRITE. Each is in the file when
 * it returns; a failure sets error (KVXSC0170E, KVXSC0167E, KVXSC0174E,
 * KVXSC0171E, KVXSC0173E or KVXSC0175E) and an edit that fails before its
 * write leaves the file unchanged. Entry lines are written "name = value"; a
 * null value reads back as null. Refused with KVXSC0167E, before any change:
 * an entry or heading line longer than 511 bytes, a name or value holding a
 * line feed, a comment whose lines would not read back as comments. A handle
 * opened with both ZEL_STZ_READ_ONLY and ZEL_STZ_READ_WRITE holds a read-only
 * stream and a shared lock: its edits fail with KVXSC0174E. */
/* Inserts before the current entry (or at the end of the stanza after its
 * last entry); the new entry becomes current. */
ZEL_EXPORT void zelStzInsertEntry(zelStzFile_t *stz, const char *entryName, const char *entryValue);
/* Changes the value of the current stanza's entry of that name, or appends
 * the entry at the end of the stanza. */
ZEL_EXPORT void zelStzAddEntry(zelStzFile_t *stz, const char *entryName, const char *entryValue);
/* Rewrites the current entry's line with the new value (an inline comment
 * goes). */
ZEL_EXPORT void zelStzChangeValue(zelStzFile_t *stz, const char *entryValue);
/* Deletions leave the stream at the end of the file: move to a stanza or an
 * entry again before walking on. */
ZEL_EXPORT int zelStzDeleteCurrentEntry(zelStzFile_t *stz);
/* 0 with KVXSC0171E when the entry is not found. */
ZEL_EXPORT int zelStzDeleteEntry(zelStzFile_t *stz, const char *stanzaName, const char *entryName);
/* Makes the stanza current, appending "comment\n[name]\n" at the end of the
 * file when it is not there (comment may be null; the caller supplies '#'). */
ZEL_EXPORT void zelStzAddStanzaWithComment(zelStzFile_t *stz, const char *stanzaName,
                                           const char *comment);
ZEL_EXPORT void zelStzAddStanza(zelStzFile_t *stz, const char *stanzaName);
/* Removes the first stanza of that name up to the next heading; 1 also when
 * there is none. */
ZEL_EXPORT int zelStzDeleteStanza(zelStzFile_t *stz, const char *stanzaName);

ZEL_END_C

#endif
