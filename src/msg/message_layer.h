// The message layer's once-initialisation and its two locks: the message lock
// (table list, catalog lookups, zel_msg_get_msg) and the catalog lock (the
// catalog cache). Lock order is always message lock, then catalog lock;
// neither is recursive.
#ifndef ZEL_SRC_MSG_MESSAGE_LAYER_H
#define ZEL_SRC_MSG_MESSAGE_LAYER_H

#include <pthread.h>

namespace zel {

extern pthread_mutex_t g_msg_mutex;
extern pthread_mutex_t g_msgcat_mutex;
extern int g_msg_noxpgcat;  // from SVC_NOXPGCAT: non-zero switches plain catalog lookups off

// Runs the once-initialisation unless it has run.
void msg_layer_setup();

// Cancellation clean-ups that release the locks.
void msg_cleanup_mutex(void *);
void msg_cleanup_cat_mutex(void *);

}  // namespace zel

// Takes the message lock for the rest of the enclosing block, with a
// cancellation clean-up that releases it. Must be paired with
// ZEL_MSG_UNLOCK() in the same block.
#define ZEL_MSG_LOCK()                     \
    pthread_mutex_lock(&zel::g_msg_mutex); \
    pthread_cleanup_push(zel::msg_cleanup_mutex, nullptr)
#define ZEL_MSG_UNLOCK() pthread_cleanup_pop(1)

#define ZEL_MSGCAT_LOCK()                     \
    pthread_mutex_lock(&zel::g_msgcat_mutex); \
    pthread_cleanup_push(zel::msg_cleanup_cat_mutex, nullptr)
#define ZEL_MSGCAT_UNLOCK() pthread_cleanup_pop(1)

#endif
