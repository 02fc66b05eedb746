/* Threads: creation with the library's attributes, delays that thread
 * cancellation can interrupt, and absolute deadlines for timed waits. */
#ifndef ZEL_THREAD_H
#define ZEL_THREAD_H

#include <pthread.h>
#include <time.h>

#include <zel/base.h>

ZEL_BEGIN_C

/* Initialises attr with system contention scope and joinable threads; 0 or
 * an error number (attr is then destroyed). */
ZEL_EXPORT int zelthread_attr_init(pthread_attr_t *attr);
/* Creates a thread running start(arg), with zelthread_attr_init's attributes
 * when attr is null. word1 and word2 are kept and not used. 0, EAGAIN when
 * memory runs out, or pthread_create's error. */
ZEL_EXPORT int zelthread_create_(void *word1, void *word2, pthread_t *thread,
                                 const pthread_attr_t *attr, void *(*start)(void *), void *arg);
/* The entry of every thread zelthread_create_ makes: runs the routine and
 * frees its start block on return and on cancellation. */
ZEL_EXPORT void *zelthread_start(void *block);
/* Waits until time(NULL) at the call plus interval->tv_sec seconds and
 * interval->tv_nsec nanoseconds; a cancellation point. 0, EINVAL for a null
 * or out-of-range interval, or the error of the private lock. */
ZEL_EXPORT int zelthread_delay_np(const struct timespec *interval);
ZEL_EXPORT int zelthread_sleep_np(unsigned int seconds);
/* *abstime := now + *delta (both fields of delta at least 0); 0 or EINVAL. */
ZEL_EXPORT int zelthread_get_expiration_np(const struct timespec *delta, struct timespec *abstime);

ZEL_END_C

#endif
