// The per-thread memo of checked message texts. Each thread keeps a few
// texts with what they were looked up under: the generation of the catalogs
// and tables, the table list, NLSPATH, and for a text chosen while its
// catalog was missing, the moment that catalog is looked for again. A lookup compares these, which costs far less than the catalog
// cache's locks, strdup and free; with VRSVC_DEBUG_MSG set every lookup goes
// to the catalogs, whose diagnostics it asks for.
#include "msg/text_memo.h"

#include <jrnmsg/lyr.h>
#include <zel/msg.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "msg/catalog_misses.h"
#include "msg/checked_text.h"
#include "msg/message_layer.h"
#include "sys/env_watch.h"
#include "sys/hot_path.h"

namespace zel {

struct MemoEntry {
    bool used;
    bool retired;  // stale, but a call still holds its text
    bool utf8;
    bool no_argtypes;
    int holds;
    unsigned32 code;
    long expires;  // catalog clock seconds; LONG_MAX when never
    char argtypes[24];
    char *text;
};

namespace {

constexpr int kEntries = 8;

std::atomic<unsigned> g_generation{1};

void drop(MemoEntry &entry) {
    if (entry.holds > 0) {
        entry.retired = true;
        return;
    }
    std::free(entry.text);
    entry = MemoEntry{};
}

// Set once the thread's memo is gone: records written later in the thread's
// end (or the process's exit) look their texts up without it.
thread_local bool t_memo_gone = false;

class Memo {
public:
    ~Memo() {
        t_memo_gone = true;
        for (MemoEntry &entry : entries_) std::free(entry.text);
        std::free(nlspath_);
    }

    // Drops every entry unless the memo was made under the same conditions.
    // False when the memo cannot be used at all.
    bool check(unsigned generation, const char *nlspath) {
        // The thread's locale is not compared: it is made from the process
        // locale, which is read once, when the thread first asks, and lives
        // as long as the thread and this memo. Whatever lets it change must
        // call message_texts_changed().
        if (generation == generation_ && zel_msg_g_curr_table == tables_ &&
            zel_msg_g_table_size == table_count_ && g_msg_noxpgcat == noxpgcat_ &&
            same_path(nlspath)) {
            return true;
        }
        return renew(generation, nlspath);
    }

    // Drops every entry and remembers the new conditions.
    [[gnu::cold, gnu::noinline]] bool renew(unsigned generation, const char *nlspath) {
        for (MemoEntry &entry : entries_) {
            if (entry.used) drop(entry);
        }
        std::free(nlspath_);
        nlspath_ = nullptr;
        if (nlspath && !(nlspath_ = strdup(nlspath))) {
            generation_ = 0;  // not kept: checked again next time
            return false;
        }
        generation_ = generation;
        tables_ = zel_msg_g_curr_table;
        table_count_ = zel_msg_g_table_size;
        noxpgcat_ = g_msg_noxpgcat;
        return true;
    }

    MemoEntry *find(unsigned32 code, const char *argtypes, bool utf8) {
        for (MemoEntry &entry : entries_) {
            if (!entry.used || entry.retired || entry.code != code || entry.utf8 != utf8) continue;
            if (argtypes ? entry.no_argtypes || std::strcmp(entry.argtypes, argtypes) != 0
                         : !entry.no_argtypes)
                continue;
            if (entry.expires != LONG_MAX && entry.expires <= catalog_clock_seconds()) {
                drop(entry);
                return nullptr;
            }
            return &entry;
        }
        return nullptr;
    }

    // A free entry, or one that no call holds; null when every one is held.
    MemoEntry *room() {
        for (MemoEntry &entry : entries_) {
            if (!entry.used) return &entry;
        }
        for (int tries = 0; tries < kEntries; ++tries) {
            MemoEntry &entry = entries_[next_];
            next_ = (next_ + 1) % kEntries;
            if (entry.holds == 0) {
                drop(entry);
                return &entry;
            }
        }
        return nullptr;
    }

private:
    bool same_path(const char *nlspath) const {
        if (!nlspath || !nlspath_) return !nlspath && !nlspath_;
        return std::strcmp(nlspath, nlspath_) == 0;
    }

    MemoEntry entries_[kEntries] = {};
    int next_ = 0;
    unsigned generation_ = 0;
    const zel_msg_table *tables_ = nullptr;
    unsigned32 table_count_ = 0;
    int noxpgcat_ = 0;
    char *nlspath_ = nullptr;
};

thread_local Memo t_memo;

// A text the memo does not hold: looked up, and kept when there is room.
// Out of the way of the records that find theirs.
[[gnu::cold, gnu::noinline]] const char *look_up_and_keep(unsigned32 code, const char *argtypes,
                                                          bool utf8, MemoEntry **held) {
    bool missing = false;
    forget_catalog_miss_expiry();
    char *text = checked_message_text(code, argtypes, utf8, &missing);
    MemoEntry *entry = text ? t_memo.room() : nullptr;
    if (!entry) return text;
    entry->used = true;
    entry->code = code;
    entry->utf8 = utf8;
    entry->no_argtypes = !argtypes;
    if (argtypes) std::strcpy(entry->argtypes, argtypes);
    // A text chosen while the catalog was missing lasts as long as the miss
    // is remembered (not at all when it was not): then the catalog is looked
    // for again.
    entry->expires = missing ? catalog_miss_expiry() : LONG_MAX;
    entry->text = text;
    ++entry->holds;
    *held = entry;
    return entry->text;
}

}  // namespace

ZEL_RECORD_PATH const char *memo_message_text(unsigned32 code, const char *argtypes, bool utf8,
                                              MemoEntry **held) {
    *held = nullptr;
    msg_layer_setup();
    const EnvWatch &env = thread_env();
    const char *nlspath = env.value(kEnvNlsPath);
    bool debug = env.value(kEnvDebugMsg) != nullptr;
    unsigned generation = g_generation.load(std::memory_order_acquire);
    bool usable =
        !t_memo_gone && !debug && (!argtypes || std::strlen(argtypes) < sizeof MemoEntry::argtypes);
    if (!usable || !t_memo.check(generation, nlspath)) {
        return checked_message_text(code, argtypes, utf8);
    }
    MemoEntry *entry = t_memo.find(code, argtypes, utf8);
    if (!entry) return look_up_and_keep(code, argtypes, utf8, held);
    ++entry->holds;
    *held = entry;
    return entry->text;
}

ZEL_RECORD_PATH void release_memo_text(MemoEntry *entry) {
    if (!entry || --entry->holds > 0 || !entry->retired) return;
    std::free(entry->text);
    *entry = MemoEntry{};
}

void message_texts_changed() { g_generation.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace zel
