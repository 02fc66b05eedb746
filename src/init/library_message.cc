// The library's own ERROR messages from the layers above start-up.
#include "init/library_message.h"

#include <zel/svc.h>
#include <zel/svc_internal.h>

#include <pthread.h>

#include <cstdarg>

namespace zel {
namespace {

pthread_once_t g_register_once = PTHREAD_ONCE_INIT;

void register_library_component() {
    unsigned32 status;
    if (!zelmox_client_svc_handle) zel_svc_init(0, &status);
}

}  // namespace

void library_vmessage(const char *file, int line, const char *argtypes, unsigned32 code,
                      va_list args) {
    pthread_once(&g_register_once, register_library_component);
    zel_svc_vprintf_withfile(zelmox_client_svc_handle, file, line, argtypes, 0, ZEL_SVC_SEV_ERROR,
                             code, args);
}

void library_message(const char *file, int line, const char *argtypes, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    library_vmessage(file, line, argtypes, code, args);
    va_end(args);
}

}  // namespace zel
