// zel msg CODE [ARG...]: prints a message of the product as its programs
// print theirs: the program name in front, the arguments in place, the text
// in the user's code page.
#include <zel/zel.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "log_args.h"

const zeltool::Help zeltool::kMsgHelp = {
    "zel msg", "CODE [ARG...]", "print the message of a status code with its arguments",
    "CODE is hexadecimal after 0x or as eight digits, else decimal. Each ARG\n"
    "fills the next conversion of the message text, as a number where the\n"
    "conversion reads one. The text comes from the catalog of the user's\n"
    "locale when it has one, else from the library.",
    "zel msg 0x3665A0A2 /etc/example.conf 2"};

int zeltool::msg(int argc, char **argv) {
    const char *name = kMsgHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kMsgHelp, &argc, &argv, &ended)) return ended;
    if (argc < 1) return usage_error(name, "takes CODE, then the message's arguments");
    unsigned32 code;
    if (!parse_code(argv[0], &code)) return usage_error(name, "'%s' is not a status code", argv[0]);
    unsigned32 status = 0;
    std::free(zel_msg_get_msg_utf8(code, &status));
    if (status == ZEL_S_MSG_NOT_IN_TABLES)
        return failure(name, "no message has the code 0x%8.8lx", static_cast<unsigned long>(code));
    // The library formats a catalog's text only when it reads the arguments
    // of the compiled text, so those are the arguments to match.
    const char *compiled = zel_msg_get_default_msg(code, &status);
    std::vector<LogArg> args;
    std::string argtypes, why;
    bool matched =
        match_log_args(compiled ? compiled : "", argc - 1, argv + 1, &args, &argtypes, &why);
    if (matched && args.size() > kMaxArgs) {
        matched = false;
        why = "messages of more than " + std::to_string(kMaxArgs) + " arguments are not supported";
    }
    if (!matched) {
        return usage_error(name, "message 0x%8.8lx: %s", static_cast<unsigned long>(code),
                           why.c_str());
    }
    int written = -1;
    call_with_args([&](auto... values) { written = zel_pgm_printf_utf8(code, values...); }, args);
    if (written < 0) {
        return failure(name, "message 0x%8.8lx cannot be printed",
                       static_cast<unsigned long>(code));
    }
    return finish(name, kDone);
}
