/* libkmt7qcks test hook: lets tests make the random source fail. Not part of
 * the toolkit's interface; programs other than tests must not call it. */
#ifndef KMT_QCK_TEST_H
#define KMT_QCK_TEST_H

#include <kmt/qck.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The next `count` calls of QCK_RAND_bytes in the process (any thread) fail
 * with a queued error, as when the kernel's random source fails. A count of 0
 * or less cancels failures still pending. */
QCK_EXPORT void QCK_test_fail_random(int count);

#ifdef __cplusplus
}
#endif

#endif
