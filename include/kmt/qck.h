/* libkmt7qcks: cryptographic toolkit, of which the library uses random bytes. */
#ifndef KMT_QCK_H
#define KMT_QCK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QCK_EXPORT __attribute__((visibility("default")))

/* Initialises the toolkit. 1 on success, 0 on failure. */
QCK_EXPORT int QCK_Init(void);
/* Sets a toolkit option (`name` to `value`). 1 on success, 0 for an unknown name. */
QCK_EXPORT int QCK_SetValue(const char *name, const char *value);
/* Attaches the calling thread to the toolkit. 1 on success. */
QCK_EXPORT int QCK_Attach(void);
/* Fills buf with num cryptographically strong random bytes. 1 on success, 0 on
 * failure (the error is then queued for QCK_ERR_get_error). */
QCK_EXPORT int QCK_RAND_bytes(unsigned char *buf, int num);
/* Takes the oldest queued error code of the calling thread; 0 when none. */
QCK_EXPORT unsigned long QCK_ERR_get_error(void);
/* Text of an error code, written into buf (at least 256 bytes) or, when buf is
 * null, into a static buffer; returns the text. */
QCK_EXPORT char *QCK_ERR_error_string(unsigned long e, char *buf);

#ifdef __cplusplus
}
#endif

#endif
