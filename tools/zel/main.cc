// zel: the command-line face of libzel, for administrators and shell scripts.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

using zeltool::Command;

const Command kCommands[] = {
    {"errtext", "CODE...", "print the one-line description of each status code", zeltool::errtext},
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
    for (const Command &c : kCommands) {
        if (std::strcmp(name, c.name) == 0) return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "zel: unknown command '%s' (try 'zel --help')\n", name);
    return 2;
}
