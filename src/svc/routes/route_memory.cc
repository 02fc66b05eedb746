// Remembered specifications: every severity routing and debug specification
// passed by the program is kept under its key (the text before the first ':')
// and takes precedence over the environment when a block is filled later.
#include <zel/svc_internal.h>

#include <cstdlib>
#include <cstring>

#include "svc/routes/routes.h"

extern "C" {

char **zel_svc_g_memory = nullptr;
int zel_svc_g_memory_size = 0;

}  // extern "C"

namespace {

size_t key_length(const char *text) {
    const char *sep = zel::find_sep(text, SVC_SEP_CHAR);
    return sep ? static_cast<size_t>(sep - text) : std::strlen(text);
}

}  // namespace

namespace zel {

void remember_spec(const char *text, unsigned32 *status) {
    char *copy = strdup(text);
    if (!copy) {
        *status = ZEL_S_SVC_NO_MEMORY;
        return;
    }
    if (zel_svc_g_memory_size > 0 && !zel::find_sep(copy, SVC_SEP_CHAR)) {
        zel___assert(nullptr, "strchr(text, SVC_SEP_CHAR) != NULL", "core/svcutl/svcroute", 223);
    }
    size_t length = key_length(copy);
    for (int i = 0; i < zel_svc_g_memory_size; ++i) {
        char *entry = zel_svc_g_memory[i];
        if (key_length(entry) == length && std::strncmp(entry, copy, length) == 0) {
            std::free(entry);
            zel_svc_g_memory[i] = copy;
            *status = 0;
            return;
        }
    }
    auto *grown = static_cast<char **>(
        std::realloc(zel_svc_g_memory, sizeof(char *) * (zel_svc_g_memory_size + 1)));
    if (!grown) {
        std::free(copy);
        *status = ZEL_S_SVC_NO_MEMORY;
        return;
    }
    zel_svc_g_memory = grown;
    zel_svc_g_memory[zel_svc_g_memory_size++] = copy;
    *status = 0;
}

const char *remembered_spec(const char *key) {
    size_t length = std::strlen(key);
    for (int i = 0; i < zel_svc_g_memory_size; ++i) {
        const char *entry = zel_svc_g_memory[i];
        if (std::strncmp(entry, key, length) == 0 && entry[length] == SVC_SEP_CHAR)
            return entry + length + 1;
    }
    return nullptr;
}

}  // namespace zel
