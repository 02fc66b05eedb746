// The message layer's once-initialisation, its locks and the shared UTF-8
// code set. Every operation of the message layer runs the initialisation on
// first use, whether or not the program called zelmsg_init.
#include "msg/message_layer.h"

#include <jrnmsg/lyr.h>
#include <zel/msg.h>

#include <atomic>
#include <cstdlib>

namespace zel {

pthread_mutex_t g_msg_mutex;
pthread_mutex_t g_msgcat_mutex;
int g_msg_noxpgcat = 0;

namespace {

pthread_once_t g_once_block = PTHREAD_ONCE_INIT;
std::atomic<bool> g_setup{false};

// A child forked while another thread held a lock would never see it
// released; the child starts with fresh locks.
void reset_locks_in_child() {
    pthread_mutex_init(&g_msg_mutex, nullptr);
    pthread_mutex_init(&g_msgcat_mutex, nullptr);
}

void init_message_layer() {
    pthread_mutex_init(&g_msg_mutex, nullptr);
    pthread_mutex_init(&g_msgcat_mutex, nullptr);
    pthread_atfork(nullptr, nullptr, reset_locks_in_child);
    if (const char *value = std::getenv("SVC_NOXPGCAT")) {
        g_msg_noxpgcat = static_cast<int>(std::strtol(value, nullptr, 10));
    }
    zel_svc_nls_init();
    g_setup.store(true, std::memory_order_release);
}

}  // namespace

void msg_layer_setup() {
    if (!g_setup.load(std::memory_order_acquire)) pthread_once(&g_once_block, init_message_layer);
}

void msg_cleanup_mutex(void *) { pthread_mutex_unlock(&g_msg_mutex); }
void msg_cleanup_cat_mutex(void *) { pthread_mutex_unlock(&g_msgcat_mutex); }

}  // namespace zel

extern "C" {

const char *zel_svc_utf8_cs = "UTF8";
lyr_cs_t zel_svc_cs_utf8 = nullptr;
lyr_cs_t vr_zel_svc_utf8_cs = nullptr;

void zel_svc_nls_init(void) {
    static bool done = false;
    if (done) return;
    if (!zel_svc_cs_utf8) zel_svc_cs_utf8 = lyr_cs_new(zel_svc_utf8_cs);
    done = true;
}

lyr_cs_t zelsvc_get_utf8_code_page(void) { return vr_zel_svc_utf8_cs; }
}
