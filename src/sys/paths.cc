// The fixed installation directories.
#include <zel/file.h>

#include <pthread.h>

namespace {

const char *const kPaths[10] = {
    "/opt/vrmox/",      "/opt/vrmox/bin/", "/opt/vrmox/etc/",     nullptr,
    "/opt/vrmox/sbin/", "/opt/vrmox/lib/", "/opt/vrmox/nls/msg/", "/opt/vrmox/nls/LYR/",
    "/var/vrmox/log/",  "/opt/Quorvane/",
};

pthread_once_t g_paths_once = PTHREAD_ONCE_INIT;

}  // namespace

extern "C" {

// The table is fixed; the hook stays for programs that expect it.
void zel_path_initialize(void) {}

const char *zel_get_path(int index) {
    pthread_once(&g_paths_once, zel_path_initialize);
    return index >= 0 && index < 10 ? kPaths[index] : nullptr;
}
}
