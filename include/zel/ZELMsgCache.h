// ZELMsgCache: a fixed hash table of message texts keyed by status code, so
// that a program that prints the same messages often looks each up only once.
// C++ only.
#ifndef ZEL_ZELMSGCACHE_H
#define ZEL_ZELMSGCACHE_H

#include <pthread.h>

#include <zel/base.h>
#include <zel/status.h>

// Safe for any number of threads at once: lookups share a read lock, additions
// take the write lock. Texts are never removed before the cache is destroyed,
// so a returned text may be used without a lock for the cache's whole life.
// The cache must not be destroyed while other threads use it.
class ZEL_EXPORT ZELMsgCache {
public:
    ZELMsgCache();
    // Frees every text the cache holds.
    ~ZELMsgCache();
    ZELMsgCache(const ZELMsgCache &) = delete;
    ZELMsgCache &operator=(const ZELMsgCache &) = delete;

    // The message text of `code`: the cached text, or the text looked up with
    // zel_msg_get_msg (catalog, compiled tables, else "Unknown message number
    // 0x%8.8lx", for the code's low 32 bits) and added. The text belongs to the cache. Null when it could
    // not be obtained (out of memory, lock failure); nothing is cached then.
    const char *getMessage(unsigned long code);

    // The cached text of `code`, or null when the code is not cached or the
    // lock could not be taken.
    const char *searchHashTable(unsigned long code);

    // Adds `code` with `*text`, a malloc'd text whose ownership passes to the
    // cache. When the code is already cached, the passed text is freed and
    // *text is set to the cached one. Returns 0; ZEL_S_NO_MEMORY when out of memory
    // or the write lock's error number (the text stays the caller's); or the
    // unlock's error number (the text was taken as on success).
    unsigned long addToHashTable(unsigned long code, const char **text);

private:
    struct Node {
        unsigned long code;
        char *text;
        Node *next;
    };
    static constexpr unsigned kBuckets = 97;

    // addToHashTable, telling whether the cache took the text. Not exported.
    __attribute__((visibility("hidden"))) unsigned long add(unsigned long code, const char **text,
                                                            bool *taken);

    Node *buckets[kBuckets];  // chain heads, each sorted by ascending code
    pthread_rwlock_t lock;    // over all buckets
};

#endif
