// The registry of dynamic routes: a program's own destinations, registered
// and removed at any time while other threads print through them. Removal
// waits for the callbacks in progress; references keep a removed entry alive
// until the last route that holds it is closed.
#include <zel/status.h>
#include <zel/svc_internal.h>

#include <pthread.h>

#include <cstdlib>
#include <cstring>

#include "svc/routes/routes.h"

// One block: the fields, then the name.
struct zel_svc_dyn_route {
    const char *name;
    void *data;
    zel_svc_dyn_open_fn open;
    zel_svc_dyn_print_fn print;
    zel_svc_dyn_close_fn close;
    int references;  // the registry's and one per connected route
    int printing;    // print callbacks running
    bool removed;
    bool opening;
    bool closing;
};

namespace {

// Everything below is guarded by g_lock. The lock is taken inside the
// serviceability mutex or alone, and never held while a callback runs.
pthread_once_t g_once = PTHREAD_ONCE_INIT;
bool g_inited = false;
pthread_mutex_t g_lock;
pthread_cond_t g_cond;
zel_svc_dyn_route **g_entries = nullptr;
int g_count = 0;

void init_registry() {
    if (pthread_mutex_init(&g_lock, nullptr) != 0) return;
    if (pthread_cond_init(&g_cond, nullptr) != 0) {
        pthread_mutex_destroy(&g_lock);
        return;
    }
    g_inited = true;
}

bool lock_registry() {
    pthread_once(&g_once, init_registry);
    return g_inited && pthread_mutex_lock(&g_lock) == 0;
}

void unlock_registry(void * = nullptr) { pthread_mutex_unlock(&g_lock); }

int find(const char *name) {
    for (int i = 0; i < g_count; ++i)
        if (std::strcmp(g_entries[i]->name, name) == 0) return i;
    return -1;
}

// With the lock held; the entry is freed with its last reference.
void drop(zel_svc_dyn_route *entry) {
    if (--entry->references == 0) std::free(entry);
}

// The ends of the callbacks, run on return and on cancellation alike.
void open_ended(void *arg) {
    auto *entry = static_cast<zel_svc_dyn_route *>(arg);
    pthread_mutex_lock(&g_lock);
    entry->opening = false;
    drop(entry);  // the open's own reference; kept again when it is accepted
    pthread_cond_broadcast(&g_cond);
    pthread_mutex_unlock(&g_lock);
}

void print_ended(void *arg) {
    auto *entry = static_cast<zel_svc_dyn_route *>(arg);
    pthread_mutex_lock(&g_lock);
    --entry->printing;
    pthread_cond_broadcast(&g_cond);
    pthread_mutex_unlock(&g_lock);
}

void close_ended(void *arg) {
    auto *entry = static_cast<zel_svc_dyn_route *>(arg);
    pthread_mutex_lock(&g_lock);
    entry->closing = false;
    drop(entry);
    pthread_cond_broadcast(&g_cond);
    pthread_mutex_unlock(&g_lock);
}

// The registry's reference, given up after removal.
void release_removed(void *arg) {
    pthread_mutex_lock(&g_lock);
    drop(static_cast<zel_svc_dyn_route *>(arg));
    pthread_mutex_unlock(&g_lock);
}

bool busy(const zel_svc_dyn_route *entry) {
    return entry->opening || entry->closing || entry->printing > 0;
}

// Takes the entry of name out of the registry once no callback of it runs,
// and tells its owner when routes still hold it. With the lock held; returns
// with it released. Status 0 or ZEL_S_SVC_BAD_ROUTE_SPEC.
unsigned32 remove_locked(const char *name) {
    int at = find(name);
    if (at < 0) {
        unlock_registry();
        return ZEL_S_SVC_BAD_ROUTE_SPEC;
    }
    zel_svc_dyn_route *entry = g_entries[at];
    if (entry->removed) {  // another thread is removing it
        unlock_registry();
        return 0;
    }
    entry->removed = true;
    int old_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old_state);
    while (busy(entry)) pthread_cond_wait(&g_cond, &g_lock);
    pthread_setcancelstate(old_state, nullptr);
    // The removed entry may have moved while the lock was released.
    at = 0;
    while (g_entries[at] != entry) ++at;
    std::memmove(g_entries + at, g_entries + at + 1,
                 static_cast<size_t>(g_count - at - 1) * sizeof *g_entries);
    --g_count;
    bool in_use = entry->references > 1;
    if (!in_use) drop(entry);
    unlock_registry();
    if (in_use) {
        // Routes still hold it: the owner hears once that they are going, and
        // their later closes only give back their references.
        pthread_cleanup_push(release_removed, entry);
        if (entry->close) {
            unsigned32 ignored = 0;
            entry->close(entry->name, entry->data, nullptr, &ignored);
        }
        pthread_cleanup_pop(1);
    }
    return 0;
}

}  // namespace

namespace zel {

bool print_dynamic_route(zel_svc_dyn_route *entry, void *route_data, zel_svc_prolog *header,
                         va_list args) {
    if (!entry || !lock_registry()) return false;
    bool removed = entry->removed;
    if (!removed) ++entry->printing;
    unlock_registry();
    if (removed) return false;
    pthread_cleanup_push(print_ended, entry);
    entry->print(entry->data, route_data, header, args);
    pthread_cleanup_pop(1);
    return true;
}

}  // namespace zel

extern "C" {

void zel_svc_add_route(const char *name, void *data, zel_svc_dyn_open_fn open,
                       zel_svc_dyn_print_fn print, zel_svc_dyn_close_fn close, unsigned32 *status) {
    unsigned32 st = 0;
    if (!name || !*name || !open || !print) {
        st = ZEL_S_SVC_BAD_ROUTE_SPEC;
        if (status) *status = st;
        return;
    }
    size_t len = std::strlen(name);
    auto *entry =
        static_cast<zel_svc_dyn_route *>(std::malloc(sizeof(zel_svc_dyn_route) + len + 1));
    if (!entry) {
        st = ZEL_S_SVC_NO_MEMORY;
    } else {
        char *copy = reinterpret_cast<char *>(entry + 1);
        std::memcpy(copy, name, len + 1);
        *entry = {copy, data, open, print, close, 1, 0, false, false, false};
        if (!lock_registry()) {
            std::free(entry);
            st = ZEL_S_SVC_LOCK_FAILED;
        } else {
            if (find(name) >= 0) {
                std::free(entry);  // the first registration stays in force
            } else {
                void *grown =
                    std::realloc(g_entries, static_cast<size_t>(g_count + 1) * sizeof *g_entries);
                if (grown) {
                    g_entries = static_cast<zel_svc_dyn_route **>(grown);
                    g_entries[g_count++] = entry;
                } else {
                    std::free(entry);
                    st = ZEL_S_SVC_NO_MEMORY;
                }
            }
            unlock_registry();
        }
    }
    if (status) *status = st;
    zel_svc__routing_announce(name, nullptr);
}

void zel_svc_remove_route(const char *name, unsigned32 *status) {
    unsigned32 st = ZEL_S_SVC_BAD_ROUTE_SPEC;
    if (name) {
        if (lock_registry()) {
            st = remove_locked(name);
        } else {
            st = ZEL_S_SVC_LOCK_FAILED;
        }
    }
    if (status) *status = st;
    if (name) zel_svc__routing_denounce(name, nullptr);
}

void zel__svc_dyn_route_open(const char *name, const char *parameter, zel_svc_dyn_route **out,
                             void **route_data, unsigned32 *status) {
    *out = nullptr;
    *route_data = nullptr;
    if (!lock_registry()) {
        *status = ZEL_S_SVC_LOCK_FAILED;
        return;
    }
    // Found again after each wait: an entry found before may have been
    // removed and freed meanwhile.
    zel_svc_dyn_route *entry = nullptr;
    unsigned32 st = 0;
    pthread_cleanup_push(unlock_registry, nullptr);
    for (;;) {
        int at = name ? find(name) : -1;
        if (at < 0) {
            st = ZEL_S_SVC_BAD_ROUTE_SPEC;
            break;
        }
        entry = g_entries[at];
        if (entry->removed) {
            st = ZEL_S_SVC_ROUTE_REFUSED;
            break;
        }
        if (!entry->opening) break;
        pthread_cond_wait(&g_cond, &g_lock);
    }
    if (st == 0) {
        ++entry->references;
        entry->opening = true;
    }
    pthread_cleanup_pop(1);
    if (st != 0) {
        *status = st;
        return;
    }
    void *data = nullptr;
    int accepted = 0;
    pthread_cleanup_push(open_ended, entry);
    entry->open(entry->name, parameter, entry->data, &data, &accepted);
    if (accepted) {
        pthread_mutex_lock(&g_lock);
        ++entry->references;  // the route's, which open_ended leaves in place
        pthread_mutex_unlock(&g_lock);
    }
    pthread_cleanup_pop(1);
    if (accepted) {
        *out = entry;
        *route_data = data;
        *status = 0;
    } else {
        *status = ZEL_S_SVC_ROUTE_REFUSED;
    }
}

void zel__svc_dyn_route_close(zel_svc_dyn_route *entry, void *route_data) {
    if (!entry || !lock_registry()) return;
    if (entry->removed) {  // its owner was told at removal
        drop(entry);
        unlock_registry();
        return;
    }
    if (entry->references <= 1) {
        unlock_registry();
        return;
    }
    pthread_cleanup_push(unlock_registry, nullptr);
    while (entry->closing || entry->printing > 0) pthread_cond_wait(&g_cond, &g_lock);
    entry->closing = true;
    pthread_cleanup_pop(1);
    pthread_cleanup_push(close_ended, entry);
    if (entry->close) {
        unsigned32 ignored = 0;
        entry->close(entry->name, entry->data, route_data, &ignored);
    }
    pthread_cleanup_pop(1);
}

void zel__svc_dyn_route_print(zel_svc_dyn_route *entry, void *route_data, zel_svc_prolog *header,
                              va_list args) {
    zel::print_dynamic_route(entry, route_data, header, args);
}

void zel__svc_dyn_route_print2(zel_svc_dyn_route *entry, void *route_data, zel_svc_prolog *header,
                               ...) {
    va_list args;
    va_start(args, header);
    zel__svc_dyn_route_print(entry, route_data, header, args);
    va_end(args);
}

}  // extern "C"
