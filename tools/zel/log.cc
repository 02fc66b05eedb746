// zel log SEVERITY CODE [ARG...]: writes a message of component qpc through
// the configured routes, as the product's programs do.
#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "log_args.h"

namespace {

using zeltool::kMaxArgs;
using zeltool::LogArg;
using zeltool::parse_code;

struct Message {
    unsigned32 attributes;
    unsigned32 code;
    const char *argtypes;
};

template <typename... A>
void send(const Message &m, A... values) {
    zel_svc_printf_withfile(zelmox_client_svc_handle, "tools/zel/log", 0, m.argtypes, 0,
                            m.attributes, m.code, values...);
}

bool parse_severity(const char *name, unsigned32 *attributes) {
    for (int i = 0; i < 5; ++i) {
        if (strcasecmp(name, zel_svc_g_code_table[i]) == 0) {
            *attributes = zel_svc_g_attr_table[i];
            return true;
        }
    }
    return false;
}

}  // namespace

const zeltool::Help zeltool::kLogHelp = {
    "zel log", "SEVERITY CODE [ARG...]",
    "write a message of component qpc through the routes of a severity",
    "SEVERITY is FATAL, ERROR, WARNING, NOTICE or NOTICE_VERBOSE; its routes\n"
    "come from SVC_<SEVERITY>. Each ARG fills the next conversion of the\n"
    "message text, as a number where the conversion reads one.",
    "SVC_ERROR=STDOUT: zel log ERROR 0x3665A0A2 /etc/example.conf 2"};

int zeltool::log(int argc, char **argv) {
    const char *name = kLogHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kLogHelp, &argc, &argv, &ended)) return ended;
    if (argc < 2) return usage_error(name, "takes SEVERITY and CODE, then the message's arguments");
    Message m{};
    if (!parse_severity(argv[0], &m.attributes)) {
        return usage_error(name,
                           "unknown severity '%s': FATAL, ERROR, WARNING, NOTICE or NOTICE_VERBOSE",
                           argv[0]);
    }
    if (!parse_code(argv[1], &m.code))
        return usage_error(name, "'%s' is not a status code", argv[1]);
    if (!zelmox_client_svc_handle) return failure(name, "serviceability is not available");
    unsigned32 status = 0;
    char *text = zel_msg_get_msg(m.code, &status);
    if (!text)
        return failure(name, "no memory for the text of message 0x%8.8lx",
                       static_cast<unsigned long>(m.code));
    std::vector<LogArg> args;
    std::string argtypes, why;
    bool matched = match_log_args(text, argc - 2, argv + 2, &args, &argtypes, &why);
    std::free(text);
    if (matched && args.size() > kMaxArgs) {
        matched = false;
        why = "messages of more than " + std::to_string(kMaxArgs) + " arguments are not supported";
    }
    if (!matched) {
        return usage_error(name, "message 0x%8.8lx: %s", static_cast<unsigned long>(m.code),
                           why.c_str());
    }
    m.argtypes = argtypes.c_str();
    zeltool::call_with_args([&m](auto... values) { send(m, values...); }, args);
    // Records routed to standard output went through its buffer; a write
    // that failed there shows now.
    return finish(name, kDone);
}
