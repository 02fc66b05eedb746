// Internal access to the serviceability core's state and mutex.
#ifndef ZEL_SRC_SVC_CORE_STATE_H
#define ZEL_SRC_SVC_CORE_STATE_H

#include <pthread.h>

#include <zel/base.h>
#include <zel/svc.h>

namespace zel {

extern pthread_key_t g_svc_msgsave_key;

// Runs the core's once-only initialisation unless it has run.
void svc_setup();
bool svc_is_setup();

// Takes and releases zel_svc_g_mutex (initialising the core first).
void svc_lock();
void svc_unlock();
// Takes the mutex only if no thread holds it; true when taken.
bool svc_trylock();
// True when the calling thread took the mutex with svc_lock and holds it.
bool svc_locked_by_this_thread();

// Writes a failure of the message layer as an ERROR record of qpc (the
// writer that registering the library's components installs).
void write_failure_record(unsigned32 code, const char *file, int line, const char *routine,
                          int value);

// A sub-component's level word and a handle's "levels filled in" flag are
// written by the routing code and read by every trace, which looks at them
// before it takes the mutex: each access is a single atomic one.
inline unsigned32 load_level(const zel_svc_subcomp *row) {
    return __atomic_load_n(&row->level, __ATOMIC_RELAXED);
}
inline void store_level(zel_svc_subcomp *row, unsigned32 level) {
    __atomic_store_n(&row->level, level, __ATOMIC_RELAXED);
}
inline bool debug_filled(const zel_svc_handle *handle) {
    return __atomic_load_n(&handle->debug_filled, __ATOMIC_RELAXED) != 0;
}
inline void mark_debug_filled(zel_svc_handle *handle) {
    __atomic_store_n(&handle->debug_filled, static_cast<unsigned char>(1), __ATOMIC_RELAXED);
}

// Releases a thread's message-save state when the thread ends.
void svc_msgsave_destructor(void *state);

}  // namespace zel

#endif
