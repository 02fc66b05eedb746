// Matching the words of `zel log` to the conversions of a message text, so
// that each word reaches the message as a value of the type its conversion
// reads.
#ifndef ZEL_TOOLS_ZEL_LOG_ARGS_H
#define ZEL_TOOLS_ZEL_LOG_ARGS_H

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

}  // namespace zeltool

#endif
