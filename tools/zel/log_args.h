// Matching the words of `zel log` and `zel msg` to the conversions of a
// message text, so that each word reaches the message as a value of the type
// its conversion reads.
#ifndef ZEL_TOOLS_ZEL_LOG_ARGS_H
#define ZEL_TOOLS_ZEL_LOG_ARGS_H

#include <zel/base.h>

#include <string>
#include <vector>

namespace zeltool {

// One message argument, of the type its conversion reads.
struct LogArg {
    enum Kind { text, int_value, uint_value, long_value, ulong_value } kind;
    const char *str = nullptr;
    long long number = 0;
};

// The arguments of a message text made from words, in order, and the
// argument-type string ("%s%d"). False with a reason when a conversion is not
// one the command handles (positional, "*", %n, wide, floating...), when the
// number of words differs from the number of conversions, or when a word is
// not a value of its conversion's type.
bool match_log_args(const char *text, int argc, char **argv, std::vector<LogArg> *args,
                    std::string *argtypes, std::string *why);

// A status code: "0x" and hexadecimal, eight hexadecimal digits, or decimal.
bool parse_code(const char *text, unsigned32 *code);

constexpr size_t kMaxArgs = 4;  // the most any message of the product takes

// Calls send(values...) with each argument passed as its own type: the
// recursion appends one typed value per level, up to kMaxArgs.
template <typename Send, typename... A>
void call_with_args(const Send &send, const std::vector<LogArg> &args, A... values) {
    constexpr size_t n = sizeof...(A);
    if (n == args.size()) {
        send(values...);
        return;
    }
    if constexpr (n < kMaxArgs) {
        const LogArg &a = args[n];
        switch (a.kind) {
        case LogArg::text: call_with_args(send, args, values..., a.str); break;
        case LogArg::int_value:
            call_with_args(send, args, values..., static_cast<int>(a.number));
            break;
        case LogArg::uint_value:
            call_with_args(send, args, values..., static_cast<unsigned>(a.number));
            break;
        case LogArg::long_value:
            call_with_args(send, args, values..., static_cast<long>(a.number));
            break;
        case LogArg::ulong_value:
            call_with_args(send, args, values..., static_cast<unsigned long>(a.number));
            break;
        }
    }
}

}  // namespace zeltool

#endif
