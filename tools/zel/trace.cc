// zel trace LEVEL TEXT: writes TEXT as a trace of qpc/core at LEVEL 1..9; it
// appears when qpc's core level (SVC_QPC_DBG) is at least LEVEL.
#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <cstring>

#include "arguments.h"
#include "commands.h"

const zeltool::Help zeltool::kTraceHelp = {
    "zel trace", "LEVEL TEXT", "write TEXT as a trace of qpc/core at LEVEL 1..9",
    "The trace is written when SVC_QPC_DBG sets the level of qpc's core to\n"
    "LEVEL or more, through the routes it names.",
    "SVC_QPC_DBG=\"qpc:*.9:STDOUT:\" zel trace 3 \"cache warmed\""};

int zeltool::trace(int argc, char **argv) {
    const char *name = kTraceHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kTraceHelp, &argc, &argv, &ended)) return ended;
    if (argc != 2) return usage_error(name, "takes LEVEL and TEXT, not %d words", argc);
    const char *level = argv[0];
    if (std::strlen(level) != 1 || level[0] < '1' || level[0] > '9') {
        return usage_error(name, "the level must be 1 to 9, not '%s'", level);
    }
    if (!zelmox_client_svc_handle) return failure(name, "serviceability is not available");
    // The text is data, never a format.
    zel_svc__debug_withfile(zelmox_client_svc_handle, "tools/zel/trace", 0, 0,
                            static_cast<unsigned32>(level[0] - '0'), "%s", argv[1]);
    // Records routed to standard output went through its buffer; a write
    // that failed there shows now.
    return finish(name, kDone);
}
