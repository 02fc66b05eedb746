/* libjrnmsg: internationalization services. Code sets, locales, message
 * catalogs, conversions between code sets, UTF-8 and 16-bit UCS-2, and
 * code-set-aware string search and printing. */
#ifndef JRNMSG_LYR_H
#define JRNMSG_LYR_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LYR_EXPORT __attribute__((visibility("default")))

typedef struct lyr_cs *lyr_cs_t;   /* a code set */
typedef struct lyr_loc *lyr_loc_t; /* a locale */
typedef struct lyr_cat *lyr_cat_t; /* an open message catalog */
typedef uint16_t lyr_wchar_t;      /* one UCS-2 unit; wide strings end in 0 */

/* A null lyr_cs_t argument stands for the default code set (lyr_set_def_cs).
 * "UTF8" names UTF-8; the system's code-set names (as iconv knows them) work too.
 * Handles may be used from several threads. Failures set errno. */

/* Name of the process's LC_MESSAGES locale as setlocale set it ("C" until the
 * program calls setlocale(LC_ALL, "")) into buf. 0, or -1 when buf is too small. */
LYR_EXPORT int lyr_os_lang_name(char *buf, size_t size);
/* The code set of the process locale (nl_langinfo(CODESET)) into buf. 0 or -1. */
LYR_EXPORT int lyr_os_cs_name(char *buf, size_t size);
/* Canonical locale name ("de_DE.ISO-8859-1" for "de_DE.iso88591", "C" for
 * "POSIX") and language name ("de"); a null name is the process locale. 0 or -1. */
LYR_EXPORT int lyr_canonical_loc(const char *name, char *buf, size_t size);
LYR_EXPORT int lyr_canonical_lang(const char *name, char *buf, size_t size);

/* Locale handle of language[_territory][.codeset][@modifier], "C" or "POSIX"
 * (null: the process locale); the locale need not be installed. Null when the
 * name is malformed, empty, longer than 255 bytes or holds a '/'. */
LYR_EXPORT lyr_loc_t lyr_loc_new(const char *name);
LYR_EXPORT void lyr_loc_free(lyr_loc_t loc);

/* Code set handle of a code-set name; null when the system cannot convert it
 * or when it cannot serve NUL-terminated text: multibyte sets must be
 * ASCII-compatible and stateless (UTF-16, UTF-7 and ISO-2022 are refused). */
LYR_EXPORT lyr_cs_t lyr_cs_new(const char *name);
LYR_EXPORT void lyr_cs_free(lyr_cs_t cs);
/* The default code set (never null: UTF-8 until set) and its setter; the
 * setter does not take ownership; a null handle restores UTF-8. */
LYR_EXPORT lyr_cs_t lyr_get_def_cs(void);
LYR_EXPORT void lyr_set_def_cs(lyr_cs_t cs);

/* The catalog search path in effect (NLSPATH), or null. */
LYR_EXPORT const char *lyr_get_nlspath(void);
/* The services' data directory: never null, empty until set. */
LYR_EXPORT const char *lyr_get_dir(void);
LYR_EXPORT int lyr_set_dir(const char *path);

/* Opens the message catalog `name` for a locale. A name holding '/' is opened
 * as it is; otherwise each NLSPATH template (%N %L %l %t %c %%; an empty one is
 * %N) is tried for the locale, then for language_territory and language; then
 * <dir>/<locale>/<name> with those forms and <dir>/C/<name>, where dir is
 * $ZEL_CATALOG_DIR or the installation's catalog directory. Unreadable or
 * damaged files are passed over. A null loc is the process locale: from
 * LC_MESSAGES when flags bit 0 is set, else from LANG. With
 * LYR_CAT_SEARCH_PATH_ONLY in flags only NLSPATH is searched; other flag bits
 * are ignored. Null with errno set on failure: ENOENT when no file was found,
 * EPERM when one could not be read, EBADMSG when one was found but refused
 * (damaged, not a regular file or too large; a caller must not hand it to
 * another reader either), EINVAL for an empty name. Texts are
 * taken to be in the locale's code set (its .codeset, else the installed
 * locale's, else ASCII for C/POSIX, else UTF-8). */
#define LYR_CAT_SEARCH_PATH_ONLY 0x100
LYR_EXPORT lyr_cat_t lyr_catopen(const char *name, int flags, lyr_loc_t loc);
/* Message `num` of set `set` converted into `cs` (null: unconverted, in the
 * catalog's own code set), or `def` when absent or not convertible. The text stays valid until the
 * catalog is closed. Safe to call from several threads on one catalog. */
LYR_EXPORT const char *lyr_catgets(lyr_cat_t cat, int set, int num, const char *def, lyr_cs_t cs);
LYR_EXPORT int lyr_catclose(lyr_cat_t cat);

/* Conversions. Lengths are in bytes (UCS-2: units); the target is NUL-terminated
 * when there is room. Result: bytes written (without the NUL); below 1 is failure:
 * -1 for bad input (EILSEQ) or a result that does not fit (E2BIG; only a NUL is
 * written), 0 for an empty source. */
LYR_EXPORT int lyr_to_utf8(lyr_cs_t cs, const char *src, size_t srclen, char *dst, size_t dstsize);
LYR_EXPORT int lyr_from_utf8(lyr_cs_t cs, const char *src, size_t srclen, char *dst,
                             size_t dstsize);
LYR_EXPORT int lyr_from_ucs2(lyr_cs_t cs, const lyr_wchar_t *src, size_t srcunits, char *dst,
                             size_t dstsize);

/* Multibyte text and 16-bit wide text in a code set. n is the target's size in
 * units (wide) or bytes. Result: count written without the terminator, or -1
 * for a bad character or one outside the BMP (EILSEQ), or text that does not
 * fit with its terminator (E2BIG; never cut). A null dst gives the count needed. */
LYR_EXPORT int lyr_mbstowcs(lyr_cs_t cs, lyr_wchar_t *dst, const char *src, size_t n);
LYR_EXPORT int lyr_wcstombs(lyr_cs_t cs, char *dst, const lyr_wchar_t *src, size_t n);
/* Bytes of one wide character written to dst (room for 8 bytes), or -1. */
LYR_EXPORT int lyr_wctomb(lyr_cs_t cs, char *dst, lyr_wchar_t wc);
/* Bytes of the character at s (at most n bytes examined), 0 at the NUL, or -1. */
LYR_EXPORT int lyr_mblen(lyr_cs_t cs, const char *s, size_t n);

/* Searches that never match inside a multibyte character. */
LYR_EXPORT char *lyr_strchr(lyr_cs_t cs, const char *s, int c);
LYR_EXPORT char *lyr_strrchr(lyr_cs_t cs, const char *s, int c);
LYR_EXPORT char *lyr_strstr(lyr_cs_t cs, const char *s, const char *sought);
/* 0 when the first n bytes of s1 and s2 are equal ignoring case. */
LYR_EXPORT int lyr_strnicmp(lyr_cs_t cs, lyr_loc_t loc, const char *s1, const char *s2, size_t n);

LYR_EXPORT lyr_wchar_t *lyr_wcschr(const lyr_wchar_t *s, lyr_wchar_t c);
LYR_EXPORT size_t lyr_wcslen(const lyr_wchar_t *s);
LYR_EXPORT int lyr_iswspace(lyr_wchar_t c);

/* printf into a buffer or a stream with the output in code set cs, which must
 * be ASCII-compatible. The format and %s texts are taken to be in cs already;
 * %S and %C (and %ls, %lc) take 16-bit wide text and convert it; a precision
 * on %S or %s counts bytes and never cuts a character. Positional arguments
 * ("%2$s") may not be mixed with sequential ones. %n is never honoured: the
 * call fails with -1, as it does for a malformed format; nothing is written
 * then (lyr_vsprintf stores only a NUL). flags must be 0. lyr_vsprintf writes
 * exactly the bytes it reports plus the NUL. Result: bytes written, or -1. */
LYR_EXPORT int lyr_vsprintf(lyr_cs_t cs, int flags, char *buf, const char *fmt, va_list ap);
LYR_EXPORT int lyr_vfprintf(lyr_cs_t cs, int flags, FILE *stream, const char *fmt, va_list ap);

#ifdef __cplusplus
}
#endif

#endif
