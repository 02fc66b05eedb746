/* The formatting engine: printf-style formatting in two passes (parse and
 * fetch, then render into a buffer of any size), with positional arguments
 * and 16-bit wide characters converted through a code set. */
#ifndef ZEL_FMT_H
#define ZEL_FMT_H

#include <stdarg.h>
#include <stdio.h>

#include <jrnmsg/lyr.h>
#include <zel/base.h>

ZEL_BEGIN_C

/* One conversion of a parsed format ("%" up to its conversion character). */
typedef struct {
    const char *start; /* its "%" */
    const char *end;   /* just past its conversion character */
    int type;          /* 0..19: which argument it takes and how it is rendered */
    unsigned32 flags;  /* flag characters, width and precision kinds, length, base */
    int argnum;        /* number of the argument it renders (1-based) */
    int width;         /* the width digits, or the argument number of a "*" */
    int precision;     /* the precision digits, or the argument number of a "*" */
} zel_fmt_conv;

/* One argument fetched from the argument list, kept with the conversion type
 * that fetched it. Integers are widened to 64 bits by their signedness. */
typedef struct {
    int type;
    union {
        uint64_t u;
        const void *p;
        double d;
        long double ld;
    } value;
} zel_fmt_arg;

/* Number of conversions and of argument slots (slot 0 is unused) that need no
 * allocation. */
#define ZEL_FMT_BUILTIN 10

/* A parsed format with its arguments. Owned by the caller, usually on its
 * stack; zel_vsnprintf_parse fills it and zel_vsnprintf_done releases what it
 * allocated. The fields are for the engine only. */
typedef struct {
    lyr_cs_t cs;
    zel_fmt_conv builtin_convs[ZEL_FMT_BUILTIN];
    zel_fmt_conv *convs;
    int conv_count;
    zel_fmt_arg builtin_args[ZEL_FMT_BUILTIN];
    zel_fmt_arg *args;
    const char *format;
} zel_fmt_ctx;

/* Parses format and fetches its arguments from args (which is not consumed:
 * the engine works on a copy). cs (null: the services' default code set)
 * converts %C and %S at render time. format must stay valid, and so must the
 * strings its arguments point to, until zel_vsnprintf_done. 0 on success; -1
 * for a malformed format, argument numbers with a gap, one argument used as
 * two kinds of value (integer, pointer, double, long double), or no memory;
 * the context is then already released. */
ZEL_EXPORT int zel_vsnprintf_parse(zel_fmt_ctx *ctx, lyr_cs_t cs, const char *format, va_list args);
/* Renders a parsed context into buf of size bytes (buf null or size 0 to
 * measure), cut to fit and always NUL-terminated when size is at least 1.
 * Returns the length of the complete text (without the NUL), or -1 when a
 * wide character cannot be converted or the length exceeds INT_MAX; buf may
 * then hold a partial text. May be called any number of times. */
ZEL_EXPORT int zel_vsnprintf_render(zel_fmt_ctx *ctx, char *buf, int size);
/* Frees what the context allocated (not the built-in arrays). Harmless on a
 * context that a failed parse already released. */
ZEL_EXPORT void zel_vsnprintf_done(zel_fmt_ctx *ctx);

/* snprintf into buf of size bytes: the length of the complete text (without
 * the NUL), or -1 for a bad format or an unconvertible wide character. The
 * members differ in the code set used for %C and %S: cs; null (the services'
 * default); the thread's local code page; the UTF-8 code set that
 * zelsvc_get_utf8_code_page returns. */
ZEL_EXPORT int zel_vsnprintf_cs(char *buf, int size, lyr_cs_t cs, const char *format, va_list args);
ZEL_EXPORT int zel_snprintf_cs(char *buf, int size, lyr_cs_t cs, const char *format, ...);
ZEL_EXPORT int zel_vsnprintf(char *buf, int size, const char *format, va_list args);
ZEL_EXPORT int zel_snprintf(char *buf, int size, const char *format, ...);
ZEL_EXPORT int zel_vsnprintf_lcp(char *buf, int size, const char *format, va_list args);
ZEL_EXPORT int zel_snprintf_lcp(char *buf, int size, const char *format, ...);
ZEL_EXPORT int zel_vsnprintf_utf8(char *buf, int size, const char *format, va_list args);
ZEL_EXPORT int zel_snprintf_utf8(char *buf, int size, const char *format, ...);

/* Formats into a new buffer stored in *out, which the caller frees with
 * zel_asprintf_free. Returns its length, or -1: then *out is untouched when
 * the format is bad, and null otherwise. Code sets as for zel_snprintf. */
ZEL_EXPORT int zel_vasprintf_cs(char **out, lyr_cs_t cs, const char *format, va_list args);
ZEL_EXPORT int zel_asprintf_cs(char **out, lyr_cs_t cs, const char *format, ...);
ZEL_EXPORT int zel_vasprintf(char **out, const char *format, va_list args);
ZEL_EXPORT int zel_asprintf(char **out, const char *format, ...);
ZEL_EXPORT int zel_vasprintf_lcp(char **out, const char *format, va_list args);
ZEL_EXPORT int zel_asprintf_lcp(char **out, const char *format, ...);
ZEL_EXPORT int zel_vasprintf_utf8(char **out, const char *format, va_list args);
ZEL_EXPORT int zel_asprintf_utf8(char **out, const char *format, ...);
/* Frees a text made by the zel_asprintf family (null is allowed). */
ZEL_EXPORT void zel_asprintf_free(void *text);

/* Program messages: the text of status code `code`, formatted with the
 * arguments that follow. The native members take the text in the locale's
 * catalog code set ("Unknown message number 0x..." when none exists); the
 * _utf8 members take it in UTF-8, format it with this engine and write it
 * converted to the thread's local code page (null or -1 when the code has
 * no text). The pgm members put the program name in front ("name:  ") and
 * end a written line with a newline. String members return a new string
 * that the caller frees with free(), or null; a native one holds at most
 * 4095 bytes, cut at a whole character. Stream members return what the
 * message itself wrote (the prefix and newline not counted), or -1.
 * Thread cancellation is disabled during each call. */
ZEL_EXPORT char *zel_sprintf(unsigned32 code, ...);
ZEL_EXPORT char *zel_vsprintf(unsigned32 code, va_list args);
ZEL_EXPORT char *zel_pgm_sprintf(unsigned32 code, ...);
ZEL_EXPORT char *zel_pgm_vsprintf(unsigned32 code, va_list args);
ZEL_EXPORT char *zel_sprintf_utf8(unsigned32 code, ...);
ZEL_EXPORT char *zel_vsprintf_utf8(unsigned32 code, va_list args);
ZEL_EXPORT char *zel_pgm_sprintf_utf8(unsigned32 code, ...);
ZEL_EXPORT char *zel_pgm_vsprintf_utf8(unsigned32 code, va_list args);
ZEL_EXPORT int zel_fprintf(FILE *stream, unsigned32 code, ...);
ZEL_EXPORT int zel_vfprintf(FILE *stream, unsigned32 code, va_list args);
ZEL_EXPORT int zel_printf(unsigned32 code, ...);
ZEL_EXPORT int zel_vprintf(unsigned32 code, va_list args);
ZEL_EXPORT int zel_pgm_fprintf(FILE *stream, unsigned32 code, ...);
ZEL_EXPORT int zel_pgm_vfprintf(FILE *stream, unsigned32 code, va_list args);
ZEL_EXPORT int zel_pgm_printf(unsigned32 code, ...);
ZEL_EXPORT int zel_pgm_vprintf(unsigned32 code, va_list args);
ZEL_EXPORT int zel_fprintf_utf8(FILE *stream, unsigned32 code, ...);
ZEL_EXPORT int zel_vfprintf_utf8(FILE *stream, unsigned32 code, va_list args);
ZEL_EXPORT int zel_printf_utf8(unsigned32 code, ...);
ZEL_EXPORT int zel_vprintf_utf8(unsigned32 code, va_list args);
ZEL_EXPORT int zel_pgm_fprintf_utf8(FILE *stream, unsigned32 code, ...);
ZEL_EXPORT int zel_pgm_vfprintf_utf8(FILE *stream, unsigned32 code, va_list args);
ZEL_EXPORT int zel_pgm_printf_utf8(unsigned32 code, ...);
ZEL_EXPORT int zel_pgm_vprintf_utf8(unsigned32 code, va_list args);

ZEL_END_C

#endif
