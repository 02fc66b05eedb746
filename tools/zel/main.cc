// zel: the command-line face of libzel, for administrators and shell scripts.
// Finds the command named by the first argument and lists the commands.
#include <zel/zel.h>

#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

using namespace zeltool;

struct Command {
    const char *name;
    int (*run)(int argc, char **argv);
};

const Command kCommands[] = {
    {"errtext", errtext}, {"catalog", catalog}, {"log", log},   {"msg", msg},
    {"trace", trace},     {"utc", utc},         {"conf", conf}, {"base64", base64},
    {"uuid", uuid},       {"random", random},
};

// The list shows the catalog's two forms apart.
const Help *const kListed[] = {&kErrtextHelp, &kCatalogExportHelp, &kCatalogCheckHelp, &kLogHelp,
                               &kMsgHelp,     &kTraceHelp,         &kUtcHelp,          &kConfHelp,
                               &kBase64Help,  &kUuidHelp,          &kRandomHelp};

int list_commands() {
    std::printf("Usage: zel COMMAND [ARGUMENT...]\n\nCommands:\n");
    // A command of several forms shows each on its own line.
    for (const Help *help : kListed) {
        const char *command = help->command + std::strlen("zel ");
        for (const char *form = help->usage; *form;) {
            int length = static_cast<int>(std::strcspn(form, "\n"));
            std::printf("  %s %.*s\n", command, length, form);
            form += length + (form[length] == '\n');
        }
        std::printf("      %s\n", help->summary);
    }
    std::printf(
        "\nOptions:\n  --help     show this help (or 'zel help [COMMAND]')\n"
        "  --version  show the version\n"
        "  @FILE:STANZA (after COMMAND) read the command's options from that stanza\n\n"
        "Run 'zel COMMAND --help' for a command's arguments and an example.\n");
    return finish("zel", kDone);
}

const Command *find(const char *name) {
    for (const Command &c : kCommands) {
        if (std::strcmp(name, c.name) == 0) return &c;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return usage_error("zel", "no command given");
    const char *name = argv[1];
    if (asks_help(argc - 1, argv + 1)) return list_commands();
    if (std::strcmp(name, "--version") == 0) {
        std::printf("zel %s\n", ZEL_VERSION);
        return finish("zel", kDone);
    }
    // "zel help COMMAND" is "zel COMMAND --help".
    bool help = std::strcmp(name, "help") == 0;
    if (help) {
        if (argc == 2) return list_commands();
        if (argc > 3) return usage_error("zel", "help takes one COMMAND, not %d words", argc - 2);
        name = argv[2];
    }
    const Command *command = find(name);
    if (!command) return usage_error("zel", "unknown command '%s'", name);
    if (help) {
        char flag[] = "--help";
        char *args[] = {flag, nullptr};
        return command->run(1, args);
    }
    // Like every program of the product: the user's locale, the catalogs,
    // texts in the local code page.
    zelmsg_init("zel", 0);
    return command->run(argc - 2, argv + 2);
}
