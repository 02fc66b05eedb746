// Keeping log files and the serviceability mutex consistent across fork: the
// mutex is held and every stream flushed before the fork; the child renews its
// process id and moves to its own files when their names hold the process id.
#include <zel/svc_internal.h>

#include <pthread.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "svc/core/core_state.h"
#include "svc/routes/routes.h"

namespace {

pthread_once_t g_fork_once = PTHREAD_ONCE_INIT;

void register_handlers() {
    pthread_atfork(zel_svc__fork_prepare, zel_svc__fork_parent, zel_svc__fork_child);
}

void flush_route(const zel_svc_route_t *route) {
    switch (route->kind) {
    case ZEL_SVC_ROUTE_FILE:
    case ZEL_SVC_ROUTE_UTF8FILE:
    case ZEL_SVC_ROUTE_XMLFILE:
        // A file not open yet flushes every output stream (fflush of null).
        std::fflush(static_cast<zel_svc_fileroute_t *>(route->target)->stream);
        break;
    case ZEL_SVC_ROUTE_STDOUT:
    case ZEL_SVC_ROUTE_XMLSTDOUT: std::fflush(stdout); break;
    case ZEL_SVC_ROUTE_STDERR:
    case ZEL_SVC_ROUTE_XMLSTDERR: std::fflush(stderr); break;
    default: break;
    }
}

// Text log files whose name holds the process id move to the child's own name.
void rename_in_child(zel_svc_route_t *route) {
    if (route->kind != ZEL_SVC_ROUTE_FILE) return;
    auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
    if (!file->pattern) return;
    std::string name;
    try {
        name = zel::expand_file_pattern(file->pattern, zel::g_cached_pid);
    } catch (const std::bad_alloc &) {
        return;  // the child keeps writing to the inherited file
    }
    if (file->name && name == file->name) return;
    char *copy = strdup(name.c_str());
    if (!copy) return;
    if (file->stream) std::fclose(file->stream);  // the parent keeps its own copy
    file->stream = nullptr;
    route->open = 0;
    std::free(file->name);
    file->name = copy;
}

}  // namespace

extern "C" {

void zel_svc__register_fork_handler_once(void) { pthread_once(&g_fork_once, register_handlers); }

void zel_svc__fork_prepare(void) {
    zel::svc_lock();
    zel::for_each_block([](zel_svc_routes_t *block, bool) {
        for (int i = 0; i < block->count; ++i) flush_route(block->routes[i]);
    });
}

void zel_svc__fork_parent(void) { zel::svc_unlock(); }

void zel_svc__fork_child(void) {
    zel::g_cached_pid = static_cast<int>(getpid());
    zel::for_each_block([](zel_svc_routes_t *block, bool) {
        for (int i = 0; i < block->count; ++i) rename_in_child(block->routes[i]);
    });
    zel::svc_unlock();
}

}  // extern "C"
