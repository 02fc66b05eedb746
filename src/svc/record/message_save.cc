// Per-thread message saving: a thread may keep back messages of chosen
// severities and print or discard them later. The state and its list belong
// to the thread alone and need no lock.
#include "svc/record/message_save.h"

#include <zel/msg.h>
#include <zel/status.h>
#include <zel/svc_internal.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "svc/core/core_state.h"
#include "svc/record/print_call.h"

// One saved message. It lives in one block: the structure, then the text,
// the XML parameter values, the file name, the argument types and the start
// of the message text. Only the converted text is allocated apart.
struct zel_svc_saved_msg {
    zel_svc_saved_msg *next;
    // The call's context: the header (format null, file and argtypes point
    // into the block), the text in source_cs (null when it could not be
    // made), and the text converted to target_cs once a print made it.
    zel_svc_msgctx context;
    zel::Road road;
    const char *id;  // the first ten characters of the message text
    const char *params;
    size_t params_len;
};

namespace zel {

struct SaveState {
    bool active;
    unsigned32 mask;  // bits of zel_svc_g_attrmask_table; 0: every severity
    unsigned32 mode;  // 0: kept back; 1: also written at once
    int count;
    zel_svc_saved_msg *head;
    zel_svc_saved_msg *tail;
};

namespace {

// The key exists only once the core is set up; a thread that never started
// a save has no state.
SaveState *thread_state() {
    if (!svc_is_setup()) return nullptr;
    return static_cast<SaveState *>(pthread_getspecific(g_svc_msgsave_key));
}

unsigned32 severity_of(unsigned32 attributes) { return (attributes & ZEL_SVC_ATTR_SEV_MASK) >> 4; }

char *put(char *at, const char *bytes, size_t len) {
    if (len) std::memcpy(at, bytes, len);
    at[len] = '\0';
    return at + len + 1;
}

zel_svc_saved_msg *make_saved(PrintCall *call) {
    const zel_svc_prolog &header = call->ctx.header;
    // Without the message text there is no text to keep: printing then
    // names the message by its number.
    const char *format = header.format;
    const RecordText *text = format ? &call_text(call) : nullptr;
    const RecordText &params = param_values(call);
    const char *file = header.file ? header.file : "?";
    const char *argtypes = header.argtypes ? header.argtypes : "";
    size_t text_len = text ? text->size() : 0;
    size_t file_len = std::strlen(file), argtypes_len = std::strlen(argtypes);
    size_t id_len = format ? strnlen(format, 10) : 0;
    size_t size = sizeof(zel_svc_saved_msg) + text_len + 1 + params.size() + 1 + file_len + 1 +
                  argtypes_len + 1 + id_len + 1;
    auto *msg = static_cast<zel_svc_saved_msg *>(std::malloc(size));
    if (!msg) return nullptr;
    msg->next = nullptr;
    msg->context = call->ctx;
    msg->road = call->road;
    zel_svc_prolog &kept = msg->context.header;
    kept.format = nullptr;
    char *at = reinterpret_cast<char *>(msg + 1);
    msg->context.text = text ? at : nullptr;
    msg->context.text_len = static_cast<int>(text_len);
    at = put(at, text ? text->data() : "", text_len);
    msg->params = at;
    msg->params_len = params.size();
    at = put(at, params.data(), params.size());
    kept.file = at;
    at = put(at, file, file_len);
    kept.argtypes = at;
    at = put(at, argtypes, argtypes_len);
    msg->id = at;
    put(at, format, id_len);
    msg->context.conv = nullptr;
    msg->context.conv_len = 0;
    return msg;
}

// Keeps the text converted for this print, so that later prints convert
// no more; a text that did not need or did not take a conversion is not
// kept.
void keep_converted(zel_svc_saved_msg *msg, PrintCall *call) {
    if (msg->context.conv || !call->converted_made) return;
    const RecordText &conv = call->converted;
    if (conv.data() == msg->context.text || conv.size() == 0) return;
    auto *copy = static_cast<char *>(std::malloc(conv.size() + 1));
    if (!copy) return;
    put(copy, conv.data(), conv.size());
    msg->context.conv = copy;
    msg->context.conv_len = static_cast<int>(conv.size());
}

// Writes one saved message through the routes of its severity, as its own
// call did but with the text and parameter values kept; no abort or exit.
void print_saved(zel_svc_saved_msg *msg) {
    PrintCall call;
    call.saved = true;
    call.road = msg->road;
    call.ctx = msg->context;
    call.ctx.text = nullptr;  // the saved message owns them; the call only refers
    call.ctx.conv = nullptr;
    const zel_svc_prolog &header = call.ctx.header;
    call.handle = header.handle;
    call.index = header.table_index;
    call.attributes = header.attributes;
    call.msgid = header.msgid;
    call.saved_id = msg->id;
    if (msg->context.text) {
        call.text.refer(msg->context.text, static_cast<size_t>(msg->context.text_len));
        call.text_made = true;
    }
    if (msg->context.conv) {
        call.converted.refer(msg->context.conv, static_cast<size_t>(msg->context.conv_len));
        call.converted_made = true;
    }
    call.params.refer(msg->params, msg->params_len);
    call.params_made = true;
    svc_lock();
    pthread_cleanup_push(cleanup_wrapper, &call);
    zel_svc_routes_t *block = &zel_svc_g_routes[severity_of(call.attributes) - 1];
    unsigned32 status = 0;
    if (block->count == 0) zel_svc__fillin(call.attributes, &status);
    walk_routes(&call, block->routes, block->count);
    keep_converted(msg, &call);
    pthread_cleanup_pop(1);
}

void clear_saved_msgs(SaveState *state) {
    zel_svc__free_msgsave_data(state->head);
    state->head = nullptr;
    state->tail = nullptr;
    state->count = 0;
}

}  // namespace

// Set once any thread starts a save. Only a thread's own start can give it a
// state, so a process that never saves skips the key on every message.
std::atomic<bool> g_saving{false};

SaveState *active_save() {
    if (!g_saving.load(std::memory_order_relaxed)) return nullptr;
    SaveState *state = thread_state();
    return state && state->active ? state : nullptr;
}

bool do_savemsg(SaveState *state, PrintCall *call) {
    unsigned32 severity = severity_of(call->attributes);
    if (severity < 1 || severity > 5) return true;
    if (state->mask != 0 && !(state->mask & zel_svc_g_attrmask_table[severity - 1])) return true;
    zel_svc_saved_msg *msg = make_saved(call);
    if (!msg) return true;  // no memory: written as if saving were off
    if (!state->head) state->head = msg;
    if (state->tail) state->tail->next = msg;
    state->tail = msg;
    ++state->count;
    return state->mode == 1;
}

void svc_msgsave_destructor(void *arg) {
    auto *state = static_cast<SaveState *>(arg);
    if (!state) return;
    zel_svc__free_msgsave_data(state->head);
    std::free(state);
}

}  // namespace zel

extern "C" {

unsigned32 zel_svc_msgsave_start(unsigned32 mask, unsigned32 mode, int reserved) {
    if (mode > 1 || reserved != 0 || mask >= 32) return ZEL_S_SVC_SAVE_BAD_ARGUMENTS;
    zel::svc_setup();
    zel::g_saving.store(true, std::memory_order_relaxed);
    zel::SaveState *state = zel::thread_state();
    if (!state) {
        state = static_cast<zel::SaveState *>(std::calloc(1, sizeof *state));
        if (!state) return ZEL_S_MSG_NO_MEMORY;
        if (pthread_setspecific(zel::g_svc_msgsave_key, state) != 0) {
            std::free(state);
            return ZEL_S_MSG_NO_MEMORY;
        }
    }
    state->mode = mode;
    state->active = true;
    state->mask = mask;
    return 0;
}

void zel_svc_msgsave_stop(unsigned char clear) {
    zel::SaveState *state = zel::thread_state();
    if (!state) return;
    state->active = false;
    if (clear) zel::clear_saved_msgs(state);
}

void zel_svc_msgsave_clear(int which) {
    zel::SaveState *state = zel::thread_state();
    if (which == -1 && state) zel::clear_saved_msgs(state);
}

void zel_svc_msgsave_print(int which) {
    zel::SaveState *state = zel::thread_state();
    if (which != -1 || !state) return;
    for (zel_svc_saved_msg *msg = state->head; msg; msg = msg->next) zel::print_saved(msg);
}

void zel_svc__free_msgsave_data(zel_svc_saved_msg *first) {
    while (first) {
        zel_svc_saved_msg *next = first->next;
        std::free(first->context.conv);
        std::free(first);
        first = next;
    }
}

void zel_svc_msgsave_destructor(void *state) { zel::svc_msgsave_destructor(state); }

}  // extern "C"
