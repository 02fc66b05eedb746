// How the commands of zel answer: help on standard output, errors as one line
// on standard error that names the command, and the exit status of each.
#ifndef ZEL_TOOLS_ZEL_REPORT_H
#define ZEL_TOOLS_ZEL_REPORT_H

#include <zel/base.h>

#include <string>

namespace zeltool {

// The message text of a status code, or "status 0x…" when it has none.
std::string status_text(unsigned32 code);

// Exit statuses: done, failed (a file, a write, the library), or not run
// because the command line is wrong.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The help of one command.
struct Help {
    const char *command;  // "zel catalog check"
    const char *usage;    // its arguments; several lines for several forms
    const char *summary;  // one line, for the list of commands
    const char *details;  // more lines, or null
    const char *example;  // one whole command line
};

// True when the first argument asks for help (--help or -h).
bool asks_help(int argc, char **argv);

// Prints the help on standard output; kDone, or kFailed if it cannot be written.
int show_help(const Help &help);

// "zel COMMAND: what (see 'zel COMMAND --help')" on standard error; kUsage.
int usage_error(const char *command, const char *format, ...) __attribute__((format(printf, 2, 3)));

// "zel COMMAND: what" on standard error; kFailed.
int failure(const char *command, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The status, or kFailed with an error when standard output could not be
// written (a full disk, a closed pipe).
int finish(const char *command, int status);

}  // namespace zeltool

#endif
