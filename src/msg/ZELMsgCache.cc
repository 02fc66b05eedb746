// ZELMsgCache: message texts by status code in 97 fixed buckets of sorted
// chains under one read-write lock. Two threads that miss the same code both
// look it up; the later one to add adopts the earlier one's text.
#include <zel/ZELMsgCache.h>

#include <cstdlib>
#include <new>

#include <zel/msg.h>
#include <zel/status.h>

#include "msg/failure_report.h"

ZELMsgCache::ZELMsgCache() {
    pthread_rwlock_init(&lock, nullptr);
    for (Node *&head : buckets) head = nullptr;
}

ZELMsgCache::~ZELMsgCache() {
    pthread_rwlock_wrlock(&lock);
    for (Node *&head : buckets) {
        while (head) {
            Node *next = head->next;
            std::free(head->text);
            delete head;
            head = next;
        }
    }
    pthread_rwlock_unlock(&lock);
    pthread_rwlock_destroy(&lock);
}

const char *ZELMsgCache::searchHashTable(unsigned long code) {
    if (pthread_rwlock_rdlock(&lock) != 0) return nullptr;
    const Node *node = buckets[code % kBuckets];
    while (node && node->code < code) node = node->next;
    const char *text = node && node->code == code ? node->text : nullptr;
    if (pthread_rwlock_unlock(&lock) != 0) return nullptr;
    return text;
}

unsigned long ZELMsgCache::add(unsigned long code, const char **text, bool *taken) {
    *taken = false;
    Node *node = new (std::nothrow) Node{code, const_cast<char *>(*text), nullptr};
    if (!node) {
        zel::report_failure(ZEL_S_NO_MEMORY, "core/ZELMsgCache", __LINE__);
        return ZEL_S_NO_MEMORY;
    }
    int rc = pthread_rwlock_wrlock(&lock);
    if (rc != 0) {
        delete node;
        return static_cast<unsigned long>(rc);
    }
    // Find the link that points at the first node whose code is not smaller.
    Node **link = &buckets[code % kBuckets];
    while (*link && (*link)->code < code) link = &(*link)->next;
    if (*link && (*link)->code == code) {
        std::free(node->text);
        delete node;
        *text = (*link)->text;
    } else {
        node->next = *link;
        *link = node;
    }
    *taken = true;
    return static_cast<unsigned long>(pthread_rwlock_unlock(&lock));
}

unsigned long ZELMsgCache::addToHashTable(unsigned long code, const char **text) {
    bool taken;
    return add(code, text, &taken);
}

const char *ZELMsgCache::getMessage(unsigned long code) {
    const char *text = searchHashTable(code);
    if (text) return text;
    unsigned32 status;
    text = zel_msg_get_msg(static_cast<unsigned32>(code), &status);
    if (!text) return nullptr;
    bool taken;
    if (add(code, &text, &taken) != 0) {
        if (!taken) std::free(const_cast<char *>(text));
        return nullptr;
    }
    return text;
}
