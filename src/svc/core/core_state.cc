// The serviceability core's process-wide state: its mutex and once-only
// initialisation, SVC_BRIEF, the program name, and the name tables.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "svc/core/core_state.h"
#include "sys/hot_path.h"

extern "C" {

const char *const zel_svc_g_code_table[5] = {"FATAL", "ERROR", "WARNING", "NOTICE",
                                             "NOTICE_VERBOSE"};
const char *const zel_svc_g_debug_table[9] = {"DEBUG1", "DEBUG2", "DEBUG3", "DEBUG4", "DEBUG5",
                                              "DEBUG6", "DEBUG7", "DEBUG8", "DEBUG9"};
const unsigned32 zel_svc_g_attr_table[5] = {0x10, 0x20, 0x30, 0x40, 0x50};
const unsigned32 zel_svc_g_attrmask_table[5] = {0x01, 0x02, 0x04, 0x08, 0x0A};

pthread_mutex_t zel_svc_g_mutex;
int zel_svc_g_brief = 0;
char zel_svc_g_progname[32];

}  // extern "C"

namespace zel {

pthread_key_t g_svc_msgsave_key;

namespace {

pthread_once_t g_once_block = PTHREAD_ONCE_INIT;
std::atomic<bool> g_setup{false};
// The thread holding the mutex through svc_lock, 0 when none: only the owner
// ever finds its own id here.
std::atomic<pthread_t> g_owner{0};

}  // namespace

ZEL_RECORD_PATH void svc_setup() {
    if (!g_setup.load(std::memory_order_acquire)) pthread_once(&g_once_block, zel_svc__init_mutex);
}

bool svc_is_setup() { return g_setup.load(std::memory_order_acquire); }

ZEL_RECORD_PATH void svc_lock() {
    svc_setup();
    pthread_mutex_lock(&zel_svc_g_mutex);
    g_owner.store(pthread_self(), std::memory_order_relaxed);
}

bool svc_trylock() {
    svc_setup();
    if (pthread_mutex_trylock(&zel_svc_g_mutex) != 0) return false;
    g_owner.store(pthread_self(), std::memory_order_relaxed);
    return true;
}

bool svc_locked_by_this_thread() {
    return pthread_equal(g_owner.load(std::memory_order_relaxed), pthread_self()) != 0;
}

ZEL_RECORD_PATH void svc_unlock() {
    g_owner.store(0, std::memory_order_relaxed);
    // An unlock is retried while it reports a negative value.
    while (pthread_mutex_unlock(&zel_svc_g_mutex) < 0) {}
}

}  // namespace zel

extern "C" {

void zel_svc__init_mutex(void) {
    pthread_mutex_init(&zel_svc_g_mutex, nullptr);
    pthread_key_create(&zel::g_svc_msgsave_key, zel::svc_msgsave_destructor);
    if (const char *brief = std::getenv("SVC_BRIEF")) {
        zel_svc_g_brief = static_cast<int>(std::strtol(brief, nullptr, 10));
    }
    zel::g_setup.store(true, std::memory_order_release);
    zel_svc_nls_init();
}

void zel_svc__cleanup_mutex(void *) { zel::svc_unlock(); }

void zel_svc_shutdown(void) {
    if (!zel::svc_is_setup()) return;
    pthread_key_delete(zel::g_svc_msgsave_key);
    pthread_mutex_destroy(&zel_svc_g_mutex);
}

unsigned32 zel_svc__mapthreadid(pthread_t *thread) { return static_cast<unsigned32>(*thread); }

void zel_svc_set_progname(const char *name, unsigned32 *status) {
    zel::svc_lock();
    pthread_cleanup_push(zel_svc__cleanup_mutex, nullptr);
    if (zel_svc_g_progname[0] == '\0' && name) {
        std::strncpy(zel_svc_g_progname, name, sizeof zel_svc_g_progname - 1);
        zel_svc_g_progname[sizeof zel_svc_g_progname - 1] = '\0';
    }
    pthread_cleanup_pop(1);
    if (status) *status = 0;
}

const char *zel_svc_get_progname(void) { return zel_svc_g_progname; }

// A word with a level names the level; otherwise its severity index (1..5)
// names the severity. Words with neither have no name.
const char *zel_svc_inq_sev_name(unsigned32 attribute) {
    unsigned32 level = attribute & ZEL_SVC_ATTR_LEVEL_MASK;
    if (level != 0) return level <= 9 ? zel_svc_g_debug_table[level - 1] : "";
    unsigned32 severity = (attribute & ZEL_SVC_ATTR_SEV_MASK) >> 4;
    return severity >= 1 && severity <= 5 ? zel_svc_g_code_table[severity - 1] : "";
}

}  // extern "C"
