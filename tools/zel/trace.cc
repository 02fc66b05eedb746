// zel trace LEVEL TEXT: writes TEXT as a trace of qpc/core at LEVEL 1..9; it
// appears when qpc's core level (SVC_QPC_DBG) is at least LEVEL.
#include <zel/zel.h>

#include <cstdio>
#include <cstring>

#include "commands.h"

int zeltool::trace(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zel trace LEVEL TEXT\n");
        return 2;
    }
    const char *level = argv[0];
    if (std::strlen(level) != 1 || level[0] < '1' || level[0] > '9') {
        std::fprintf(stderr, "zel trace: the level must be 1 to 9, not '%s'\n", level);
        return 2;
    }
    if (!zelmox_client_svc_handle) {
        std::fprintf(stderr, "zel trace: serviceability is not available\n");
        return 1;
    }
    // The text is data, never a format.
    zel_svc__debug_withfile(zelmox_client_svc_handle, "tools/zel/trace", 0, 0,
                            static_cast<unsigned32>(level[0] - '0'), "%s", argv[1]);
    return 0;
}
