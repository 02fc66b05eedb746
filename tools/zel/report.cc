// How the commands of zel answer: help texts, one-line errors, and the check
// that what went to standard output arrived.
#include "report.h"

#include <zel/msg.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zeltool {
namespace {

// An error is one line whatever the arguments quoted in it hold: control
// characters show as '?'.
void say(const char *command, const char *format, va_list args, bool hint) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, args);
    for (char &c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    std::string line = std::string(command) + ": " + text;
    if (hint) line = line + " (see '" + command + " --help')";
    line += '\n';
    std::fputs(line.c_str(), stderr);  // one write: the line is not torn by other writers
}

void print_lines(const char *first, const char *next, const char *command, const char *text) {
    const char *lead = first;
    for (const char *line = text; *line;) {
        size_t length = std::strcspn(line, "\n");
        std::printf("%s%s%s%.*s\n", lead, command, length ? " " : "", static_cast<int>(length),
                    line);
        line += length + (line[length] == '\n');
        lead = next;
    }
}

}  // namespace

std::string status_text(unsigned32 code) {
    unsigned32 status = 0;
    char *text = zel_msg_get_msg(code, &status);
    char unknown[32];
    std::snprintf(unknown, sizeof unknown, "status 0x%8.8lx", static_cast<unsigned long>(code));
    std::string result = text ? text : unknown;
    std::free(text);
    return result;
}

bool asks_help(int argc, char **argv) {
    return argc > 0 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0);
}

int show_help(const Help &help) {
    print_lines("Usage: ", "       ", help.command, help.usage);
    std::printf("\n%c%s.\n", std::toupper(static_cast<unsigned char>(help.summary[0])),
                help.summary + 1);
    if (help.details) std::printf("%s\n", help.details);
    std::printf("\nExample:\n  %s\n", help.example);
    return finish(help.command, kDone);
}

int usage_error(const char *command, const char *format, ...) {
    va_list args;
    va_start(args, format);
    say(command, format, args, true);
    va_end(args);
    return kUsage;
}

int failure(const char *command, const char *format, ...) {
    va_list args;
    va_start(args, format);
    say(command, format, args, false);
    va_end(args);
    return kFailed;
}

int finish(const char *command, int status) {
    errno = 0;
    bool flushed = std::fflush(stdout) == 0;
    int error = errno;
    if (flushed && !std::ferror(stdout)) return status;
    // An earlier write may have failed inside the library, leaving no errno.
    if (!flushed && error)
        return failure(command, "cannot write standard output: %s", std::strerror(error));
    return failure(command, "cannot write standard output");
}

}  // namespace zeltool
