/* A C program's view of the headers: built as C99 with warnings as errors,
 * it uses what a program calls through <zel/zel.h> and sees none of the
 * serviceability core's internals, and <zel/msg.h> stands without that core.
 * zel_h_hides_internals compiles it with REACH_INTERNALS too. */
#include <zel/msg.h>

#ifdef ZEL_SVC_H
#error "<zel/msg.h> depends on the serviceability core"
#endif

#include <zel/zel.h>

#ifdef ZEL_SVC_INTERNAL_H
#error "<zel/zel.h> includes <zel/svc_internal.h>"
#endif

static zel_svc_subcomp table[] = {{"core", "the core", 0, 0}, {0, 0, 0, 0}};
static zel_svc_handle handle = {"cc", table, 0, 0, 0, 0, {0, 0, 0}, 0, 0};

static int errors_only(zel_svc_prolog *header, va_list args) {
    (void)args;
    return (header->attributes & ZEL_SVC_ATTR_SEV_MASK) == ZEL_SVC_SEV_ERROR;
}

int c_interface_use(void) {
    unsigned32 status = 0;
    handle.filter = errors_only;
    if (!zelmsg_init("cc", 0)) return 1;
    zel_svc_routing("ERROR:STDERR:", &status);
    zel_svc_printf_withfile(&handle, __FILE__, __LINE__, "", 0, ZEL_SVC_SEV_ERROR, 0x3665A097);
    zel_svc__debug_withfile(&handle, __FILE__, __LINE__, 0, 1, "%d", 1);
#ifdef REACH_INTERNALS
    pthread_mutex_lock(&zel_svc_g_mutex);
#endif
    return (int)status;
}
