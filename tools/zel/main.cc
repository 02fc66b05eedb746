// zel: the command-line face of libzel, for administrators and shell scripts.
#include <zel/zel.h>

#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

using zeltool::Command;

const Command kCommands[] = {
    {"errtext", "CODE...", "print the one-line description of each status code", zeltool::errtext},
    {"catalog", "export COMPONENT | check FILE.cat COMPONENT", "gencat source of a component's compiled texts, or check a catalog's printf conversions", zeltool::catalog},
    {"utc", "[--tz RULE] [--at SECONDS]", "show a time (now by default) as UTC, as a stamp and in local time", zeltool::utc},
    {"log", "SEVERITY CODE [ARG...]", "write a message of component qpc through the configured routes", zeltool::log},
    {"trace", "LEVEL TEXT", "write TEXT as a trace of qpc/core at LEVEL 1..9", zeltool::trace},
};

void print_help(FILE *out) {
    std::fprintf(out, "Usage: zel COMMAND [ARGUMENT...]\n\nCommands:\n");
    for (const Command &c : kCommands) {
        std::fprintf(out, "  %s %s\n      %s\n", c.name, c.usage, c.summary);
    }
    std::fprintf(out, "\nOptions:\n  --help     show this help\n  --version  show the version\n");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        print_help(stderr);
        return 2;
    }
    const char *name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
        print_help(stdout);
        return 0;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::printf("zel %s\n", ZEL_VERSION);
        return 0;
    }
    // Like every program of the product: the user's locale, the catalogs,
    // texts in the local code page.
    zelmsg_init("zel", 0);
    for (const Command &c : kCommands) {
        if (std::strcmp(name, c.name) == 0) return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "zel: unknown command '%s' (try 'zel --help')\n", name);
    return 2;
}
