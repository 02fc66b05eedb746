/* libkmt7qcks: cryptographic toolkit, of which the library uses random bytes.
 * A caller makes a context once (QCK_Init), may set values on it and attaches
 * its threads; failures are queued per thread and read with QCK_ERR_get_error. */
#ifndef KMT_QCK_H
#define KMT_QCK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QCK_EXPORT __attribute__((visibility("default")))

/* A toolkit context; opaque. */
typedef struct QCK_Context *QCK_CTX;

/* Status block filled by the set-up calls: code 0 and an empty text on
 * success, else an error code (as QCK_ERR_get_error gives) and its text.
 * 268 bytes; callers zero it before use. */
typedef struct QCK_Status {
    unsigned int code;
    unsigned int reserved[2];
    char text[256];
} QCK_Status;

/* Value names of QCK_SetValue. */
#define QCK_VALUE_FIPS_MODE 0 /* "on" or "off" */

/* Size of a buffer that always holds an error text. */
#define QCK_ERR_TEXT_SIZE 256

/* Initialises the toolkit installed under install_dir (may be null) and returns
 * its context, which lives for the rest of the process; null on failure. The
 * status block (may be null) receives the outcome. */
QCK_EXPORT QCK_CTX QCK_Init(QCK_Status *status, const char *install_dir);
/* Sets value `name` of the context to `value`. 1 on success; 0 for a null
 * context, an unknown name or a value the name does not take. */
QCK_EXPORT int QCK_SetValue(QCK_CTX ctx, QCK_Status *status, int name, const char *value);
/* Attaches the calling thread to the context. 1 on success, 0 for a null context. */
QCK_EXPORT int QCK_Attach(QCK_CTX ctx, QCK_Status *status);
/* Fills buf with num cryptographically strong random bytes. 1 on success, 0 on
 * failure (null context or buffer, num <= 0, or the random source failed); the
 * error is then queued for QCK_ERR_get_error. Safe to call from any thread. */
QCK_EXPORT int QCK_RAND_bytes(QCK_CTX ctx, unsigned char *buf, int num);
/* Takes the oldest queued error code of the calling thread; 0 when none. The
 * queue keeps the most recent 16 errors. ctx may be null. */
QCK_EXPORT unsigned long QCK_ERR_get_error(QCK_CTX ctx);
/* Text of an error code, written into buf (at least QCK_ERR_TEXT_SIZE bytes)
 * or, when buf is null, into a buffer of the calling thread that the next
 * call reuses; returns the text. ctx may be null. */
QCK_EXPORT char *QCK_ERR_error_string(QCK_CTX ctx, unsigned long e, char *buf);

#ifdef __cplusplus
}
#endif

#endif
