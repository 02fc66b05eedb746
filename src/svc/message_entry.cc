// The message entry points. For now a message is written as its plain text on
// standard error, followed by the abort or exit its attribute word asks for;
// the routed writer replaces this.
#include <zel/msg.h>
#include <zel/svc.h>

#include <cstdio>
#include <cstdlib>

extern "C" {

void zel_svc_vprintf_withfile(zel_svc_handle *handle, const char * /*file*/, int /*line*/,
                              const char * /*argtypes*/, unsigned32 /*index*/,
                              unsigned32 attributes, unsigned32 msgid, va_list args) {
    if (!handle) return;
    unsigned32 status;
    char *text = zel_msg_get_msg(msgid, &status);
    if (text) {
        std::vfprintf(stderr, text, args);
        std::fputc('\n', stderr);
        std::free(text);
    }
    if (attributes & ZEL_SVC_ATTR_ABORT) std::abort();
    if (attributes & ZEL_SVC_ATTR_EXIT_FAILURE) std::exit(1);
    if (attributes & ZEL_SVC_ATTR_EXIT_SUCCESS) std::exit(0);
}

void zel_svc_printf_withfile(zel_svc_handle *handle, const char *file, int line,
                             const char *argtypes, unsigned32 index, unsigned32 attributes,
                             unsigned32 msgid, ...) {
    va_list args;
    va_start(args, msgid);
    zel_svc_vprintf_withfile(handle, file, line, argtypes, index, attributes, msgid, args);
    va_end(args);
}

}  // extern "C"
