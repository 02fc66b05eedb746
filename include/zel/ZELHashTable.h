// ZELHashTable<K, V>: a chained hash table of pointers to keys and values, as
// the command line keeps its options. K provides hash() and compare(); each
// bucket is a singly linked chain. An owning table deletes its keys and values
// when it is cleared or destroyed. Never throws. C++ only.
#ifndef ZEL_ZELHASHTABLE_H
#define ZEL_ZELHASHTABLE_H

#include <stdlib.h>

#include <new>

#include <zel/base.h>

template <typename K, typename V>
class ZEL_EXPORT ZELHashTable {
public:
    struct Node {
        Node *next;
        K *key;
        V *value;
    };

    // bucketCount empty chains; without memory for them the table has none
    // and refuses every insertion.
    explicit ZELHashTable(unsigned32 count, bool owns)
        : buckets(static_cast<Node **>(calloc(count ? count : 1, sizeof(Node *)))),
          bucketCount(buckets ? count : 0),
          ownsEntries(owns),
          entryCount(0) {}
    virtual ~ZELHashTable() {
        clear();
        free(buckets);
    }
    ZELHashTable(const ZELHashTable &) = delete;
    ZELHashTable &operator=(const ZELHashTable &) = delete;

    // The chain of a hash value: the value's bytes folded together as fits the
    // table's size, then taken modulo the bucket count.
    unsigned32 bucketOf(unsigned int h) const {
        unsigned32 n = bucketCount;
        if (n <= 0xFF) {
            h ^= (h >> 24) ^ ((h >> 8) & 0xFF) ^ ((h >> 16) & 0xFF);
        } else if (n <= 0xFFFF) {
            h ^= h >> 16;
        } else if (n <= 0xFFFFFF) {
            h ^= (h >> 24) << 4;
        }
        return n ? h % n : 0;
    }

    // The first node whose key compares equal to key (any type K::compare
    // takes and that has hash()), or null.
    template <typename Key>
    Node *find(const Key &key) const {
        if (!bucketCount) return nullptr;
        for (Node *node = buckets[bucketOf(key.hash())]; node; node = node->next) {
            if (node->key->compare(key) == 0) return node;
        }
        return nullptr;
    }

    // Adds a node at the head (insertHead) or the end (append) of the key's
    // chain; false, with nothing taken, when memory runs out.
    bool insertHead(K *key, V *value) {
        Node *node = make(key, value);
        if (!node) return false;
        Node **head = &buckets[bucketOf(key->hash())];
        node->next = *head;
        *head = node;
        ++entryCount;
        return true;
    }
    bool append(K *key, V *value) {
        Node *node = make(key, value);
        if (!node) return false;
        Node **tail = &buckets[bucketOf(key->hash())];
        while (*tail) tail = &(*tail)->next;
        *tail = node;
        ++entryCount;
        return true;
    }

    // Removes every node, deleting keys and values when the table owns them.
    void clear() {
        for (unsigned32 i = 0; i < bucketCount; ++i) {
            for (Node *node = buckets[i]; node;) {
                Node *next = node->next;
                if (ownsEntries) {
                    delete node->key;
                    delete node->value;
                }
                delete node;
                node = next;
            }
            buckets[i] = nullptr;
        }
        entryCount = 0;
    }

    // Visits buckets 0 to bucketCount - 1, each chain from its head:
    //   for (auto *n = t.first(); n; n = t.next(n)) ...
    Node *first() const { return nextFrom(0); }
    Node *next(const Node *node) const {
        return node->next ? node->next : nextFrom(bucketOf(node->key->hash()) + 1);
    }

    Node **buckets;
    unsigned32 bucketCount;
    bool ownsEntries;
    signed32 entryCount;

private:
    Node *make(K *key, V *value) {
        if (!bucketCount) return nullptr;
        Node *node = new (std::nothrow) Node;
        if (node) *node = Node{nullptr, key, value};
        return node;
    }
    Node *nextFrom(unsigned32 bucket) const {
        for (; bucket < bucketCount; ++bucket) {
            if (buckets[bucket]) return buckets[bucket];
        }
        return nullptr;
    }
};

#endif
