// The process locale name and the per-thread locale and local code set. The
// services' objects are not shared between threads, so each thread makes its
// own through a thread-specific key and releases it when it ends.
#include <zel/msg.h>

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "msg/failure_report.h"
#include "msg/status_codes.h"
#include "sys/hot_path.h"

namespace {

char g_locale_name[512];
lyr_loc_t g_process_locale = nullptr;
pthread_key_t g_locale_key;
pthread_once_t g_locale_once = PTHREAD_ONCE_INIT;

char *g_local_cs_name = nullptr;
lyr_cs_t g_local_cs_check = nullptr;
pthread_key_t g_local_cs_key;
pthread_once_t g_local_cs_once = PTHREAD_ONCE_INIT;

// A thread's local code set; a null handle means it could not be made, and
// the thread does not try again.
struct CodeSetCell {
    lyr_cs_t cs;
};

void release_locale(void *locale) { lyr_loc_free(static_cast<lyr_loc_t>(locale)); }

// The thread's cell as its key holds it, found without asking the key on
// every record; cleared when the key's destructor frees the cell.
thread_local CodeSetCell *t_cell = nullptr;

void release_code_set_cell(void *cell) {
    auto *c = static_cast<CodeSetCell *>(cell);
    if (c == t_cell) t_cell = nullptr;
    if (c->cs) lyr_cs_free(c->cs);
    std::free(c);
}

void init_locale_key() {
    if (g_locale_name[0] == '\0') {
        std::memset(g_locale_name, 0, sizeof g_locale_name);
        lyr_os_lang_name(g_locale_name, sizeof g_locale_name);
        g_process_locale = lyr_loc_new(g_locale_name);
    }
    pthread_key_create(&g_locale_key, release_locale);
}

// A failure found while the code-set key is made waits for the end of that
// once-only initialisation: its record needs the local code set itself.
struct PendingFailure {
    char routine[45];
    int value;
    int line;
};
PendingFailure g_pending;
std::atomic<bool> g_failure_pending{false};

void hold_failure(const char *routine, int value, int line) {
    std::snprintf(g_pending.routine, sizeof g_pending.routine, "%s", routine);
    g_pending.value = value;
    g_pending.line = line;
    g_failure_pending.store(true);
}

void code_set_routine(const char *name, char (&routine)[45]) {
    std::snprintf(routine, sizeof routine, "lyr_cs_new(%s)", name);
}

void init_local_cs_key() {
    if (!g_local_cs_check) {
        char name[32];
        int rc = lyr_os_cs_name(name, sizeof name);
        if (rc == 0) {
            g_local_cs_name = strdup(name);
        } else {
            hold_failure("lyr_os_cs_nam()", rc, __LINE__);
        }
        if (g_local_cs_name) {
            g_local_cs_check = lyr_cs_new(g_local_cs_name);
            if (!g_local_cs_check) {
                char routine[45];
                code_set_routine(g_local_cs_name, routine);
                hold_failure(routine, 0, __LINE__);
            }
        }
    }
    pthread_key_create(&g_local_cs_key, release_code_set_cell);
}

}  // namespace

extern "C" {

lyr_loc_t zelsvc_get_locale(void) {
    pthread_once(&g_locale_once, init_locale_key);
    auto locale = static_cast<lyr_loc_t>(pthread_getspecific(g_locale_key));
    if (!locale) {
        locale = lyr_loc_new(g_locale_name);
        if (locale) pthread_setspecific(g_locale_key, locale);
    }
    return locale;
}

const char *zelsvc_get_locale_name(void) { return g_locale_name; }

ZEL_RECORD_PATH lyr_cs_t zelsvc_get_local_code_page(void) {
    if (CodeSetCell *kept = t_cell) {
        if (!g_failure_pending.load()) return kept->cs;
    }
    pthread_once(&g_local_cs_once, init_local_cs_key);
    if (g_failure_pending.load() && g_failure_pending.exchange(false)) {
        zel::report_failure(ZEL_S_SYSTEM_ROUTINE_ERROR, "core/zelmsg", g_pending.line,
                            g_pending.routine, g_pending.value);
    }
    auto *cell = static_cast<CodeSetCell *>(pthread_getspecific(g_local_cs_key));
    if (!cell) {
        cell = static_cast<CodeSetCell *>(std::malloc(sizeof *cell));
        if (!cell) return nullptr;
        cell->cs = g_local_cs_name ? lyr_cs_new(g_local_cs_name) : nullptr;
        // Stored before the report, whose record asks for this code set again.
        pthread_setspecific(g_local_cs_key, cell);
        if (!cell->cs) {
            char routine[45];
            code_set_routine(g_local_cs_name ? g_local_cs_name : "", routine);
            zel::report_failure(ZEL_S_SYSTEM_ROUTINE_ERROR, "core/zelmsg", __LINE__, routine, 0);
        }
    }
    t_cell = cell;
    return cell->cs;
}
}
