// zel conf get|set|del|list|validate: reads, changes and checks a stanza
// configuration file through the library's handle, under its whole-file lock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zel/zel.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "conf_text.h"

namespace {

using namespace zeltool;

// The file could not be opened, locked, read or written, or standard output
// could not be written: apart from 1, which says what is or is not in the file.
constexpr int kNoAccess = 3;
constexpr size_t kLineMax = 511;  // the longest line the reader takes whole

std::string status_text(unsigned32 code) {
    unsigned32 status = 0;
    char *text = zel_msg_get_msg(code, &status);
    char unknown[32];
    std::snprintf(unknown, sizeof unknown, "status 0x%8.8lx", static_cast<unsigned long>(code));
    std::string result = text ? text : unknown;
    std::free(text);
    return result;
}

// "not a regular file" for a path that names a FIFO, a device or a
// directory, else null. The library's open would wait on a FIFO for ever and
// read a directory as an empty file, so the path is looked at first, without
// blocking; a path that cannot be opened is left to the library to report.
const char *irregular(const char *path) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular ? nullptr : "not a regular file";
}

bool bad_content(unsigned32 code) {
    return code == ZEL_S_STZ_BAD_FORMAT || code == ZEL_S_STZ_INTERNAL_ERROR;
}

enum class Found { both, no_stanza, no_entry, failed };

// One run of a subcommand on one file; the handle is closed, and its lock
// released, when the run ends.
struct Conf {
    const char *command;  // "zel conf get"
    const char *path;
    zelStzFile_t *stz = nullptr;

    ~Conf() {
        if (stz) zelStzFileClose(stz);
    }

    // False with the exit status when the file cannot be opened or locked.
    bool open(unsigned flags, int *exit_status) {
        const char *why = irregular(path);
        unsigned status = 0;
        if (!why) stz = zelStzFileOpen(path, flags, &status);
        if (stz) return true;
        std::string text = why ? why : status_text(status);
        failure(command, "cannot open %s: %s", path, text.c_str());
        *exit_status = kNoAccess;
        return false;
    }

    // Reports a failure of the library: a malformed or unconvertible line is
    // the file's content, anything else the file's access.
    int failed(unsigned32 code) const {
        failure(command, "%s: %s", path, status_text(code).c_str());
        return bad_content(code) ? kFailed : kNoAccess;
    }

    // Edits go only into a file whose every line reads well: the library
    // appends a stanza even when its search stopped at a bad line.
    bool well_formed(int *exit_status) {
        if (zelStzValidate(stz)) return true;
        if (!bad_content(stz->error)) return *exit_status = failed(stz->error), false;
        *exit_status =
            failure(command, "%s has bad lines, nothing changed (see 'zel conf validate')", path);
        return false;
    }

    // Puts the cursor on the first stanza of that name and, with an entry
    // name, on that entry of it.
    Found search(const char *stanza, const char *entry) {
        zelStzMoveFirstStanza(stz);
        if (!stz->error) zelStzMoveStanza(stz, stanza);
        if (stz->error) return Found::failed;
        if (!stz->stanza) return Found::no_stanza;
        if (!entry) return Found::both;
        zelStzMoveEntryInStanza(stz, entry);
        if (stz->error) return Found::failed;
        return stz->name ? Found::both : Found::no_entry;
    }

    // The search, with a message and the exit status when it finds nothing.
    bool find(const char *stanza, const char *entry, int *exit_status) {
        switch (search(stanza, entry)) {
        case Found::both: return true;
        case Found::no_stanza:
            *exit_status = failure(command, "no stanza [%s] in %s", stanza, path);
            return false;
        case Found::no_entry:
            *exit_status =
                failure(command, "no entry '%s' in stanza [%s] of %s", entry, stanza, path);
            return false;
        case Found::failed: break;
        }
        *exit_status = failed(stz->error);
        return false;
    }

    // The status, or kNoAccess when what was printed could not be written.
    int done(int status) const { return finish(command, kDone) == kDone ? status : kNoAccess; }
};

int get(Conf &conf, char **args, int) {
    int status = kDone;
    if (!conf.open(ZEL_STZ_READ_ONLY, &status) || !conf.find(args[0], args[1], &status))
        return status;
    std::printf("%s\n", conf.stz->value ? conf.stz->value : "");
    return conf.done(kDone);
}

// A line put at the end of a file whose last line has no line feed would
// continue that line: the line feed is written first.
bool end_line(Conf &conf) {
    std::FILE *fp = conf.stz->fp;
    if (std::fseek(fp, -1, SEEK_END) != 0) return true;  // empty
    int last = std::getc(fp);
    if (last == '\n') return true;
    if (last != EOF && std::fseek(fp, 0, SEEK_END) == 0 && std::putc('\n', fp) != EOF &&
        std::fflush(fp) == 0) {
        return true;
    }
    failure(conf.command, "cannot write %s: %s", conf.path, std::strerror(errno));
    return false;
}

int set(Conf &conf, char **args, int) {
    const char *stanza = args[0], *entry = args[1], *value = args[2];
    if (std::strlen(entry) + std::strlen(value) + 4 > kLineMax) {  // "%s = %s\n"
        return usage_error(conf.command, "the line '%s = %s' would be longer than %zu bytes", entry,
                           value, kLineMax);
    }
    int status = kDone;
    if (!conf.open(ZEL_STZ_READ_WRITE, &status) || !conf.well_formed(&status)) return status;
    zelStzFile_t *stz = conf.stz;
    // The line goes at the end of the file when the stanza is missing, or is
    // the last one and lacks the entry.
    Found found = conf.search(stanza, entry);
    if (found == Found::failed) return conf.failed(stz->error);
    bool at_end = found == Found::no_stanza ||
                  (found == Found::no_entry && std::fseek(stz->fp, 0, SEEK_END) == 0 &&
                   std::ftell(stz->fp) == stz->entryPos);
    if (at_end && !end_line(conf)) return kNoAccess;
    zelStzAddStanza(stz, stanza);
    if (!stz->error) zelStzAddEntry(stz, entry, value);
    return stz->error ? conf.failed(stz->error) : kDone;
}

// Something that is not there is an error, for an entry and a stanza alike.
int del(Conf &conf, char **args, int count) {
    const char *stanza = args[0], *entry = count > 1 ? args[1] : nullptr;
    int status = kDone;
    if (!conf.open(ZEL_STZ_READ_WRITE, &status) || !conf.well_formed(&status) ||
        !conf.find(stanza, entry, &status)) {
        return status;
    }
    int deleted =
        entry ? zelStzDeleteEntry(conf.stz, stanza, entry) : zelStzDeleteStanza(conf.stz, stanza);
    return deleted && !conf.stz->error ? kDone : conf.failed(conf.stz->error);
}

int list(Conf &conf, char **args, int count) {
    int status = kDone;
    if (!conf.open(ZEL_STZ_READ_ONLY, &status)) return status;
    zelStzFile_t *stz = conf.stz;
    if (count == 0) {
        for (zelStzMoveFirstStanza(stz); !stz->error && stz->stanza; zelStzMoveNextStanza(stz))
            std::printf("[%s]\n", stz->stanza);
    } else {
        if (!conf.find(args[0], nullptr, &status)) return status;
        for (; !stz->error && stz->name; zelStzMoveNextEntry(stz))
            std::printf("%s = %s\n", stz->name, stz->value ? stz->value : "");
    }
    return conf.done(stz->error ? conf.failed(stz->error) : kDone);
}

// The library's verdict decides the status; the bad lines are found by the
// tool's own reading, since the library stops at the first.
int validate(Conf &conf, char **, int) {
    int status = kDone;
    if (!conf.open(ZEL_STZ_READ_ONLY, &status)) return status;
    bool good = zelStzValidate(conf.stz);
    unsigned32 error = conf.stz->error;
    long bad = print_bad_lines(conf.stz->fp, conf.path);
    if (bad < 0) {
        failure(conf.command, "cannot read %s: %s", conf.path, std::strerror(errno));
        return kNoAccess;
    }
    if (good) return conf.done(kDone);
    if (bad == 0 || !bad_content(error)) return conf.done(conf.failed(error));
    return conf.done(failure(conf.command, "%s: %ld bad line(s)", conf.path, bad));
}

struct Subcommand {
    const char *name;
    int (*run)(Conf &conf, char **args, int count);  // the words after FILE
    int least, most;                                 // words after the subcommand's name
    const char *words;                               // for a usage error
    const char *command;                             // in errors
};

const Subcommand kSubcommands[] = {
    {"get", get, 3, 3, "FILE STANZA ENTRY", "zel conf get"},
    {"set", set, 4, 4, "FILE STANZA ENTRY VALUE", "zel conf set"},
    {"del", del, 2, 3, "FILE STANZA [ENTRY]", "zel conf del"},
    {"list", list, 1, 2, "FILE [STANZA]", "zel conf list"},
    {"validate", validate, 1, 1, "FILE", "zel conf validate"},
};

}  // namespace

const zeltool::Help zeltool::kConfHelp = {
    "zel conf",
    "get FILE STANZA ENTRY\nset FILE STANZA ENTRY VALUE\ndel FILE STANZA [ENTRY]\n"
    "list FILE [STANZA]\nvalidate FILE",
    "read, change and check a stanza configuration file",
    "get prints the entry's value, or an empty line when it has none. set changes\n"
    "the value, or adds the entry at the end of the stanza and the stanza at the\n"
    "end of the file. del removes the entry, or the stanza up to the next\n"
    "heading; something that is not there is an error. list prints the stanza\n"
    "names as [name], or a stanza's entries as 'name = value', in file order.\n"
    "Of several stanzas of one name, get, set, del and list STANZA take the\n"
    "first. validate prints each bad line as FILE:LINE: reason.\n"
    "\n"
    "FILE must exist. set and del lock it for themselves and change it only\n"
    "when all its lines are good; the others share the lock with readers. So\n"
    "that what is written reads back the same, a value cannot hold '#', an entry\n"
    "name cannot be empty, hold '=' or start with '[' or '#', neither may start\n"
    "or end with white space, a stanza name cannot hold ']', and no argument\n"
    "may hold a line break. The library's own messages (why a file could not\n"
    "be opened, the first bad line) go where SVC_ERROR routes them.\n"
    "\n"
    "Exit status: 0 done; 1 the stanza or entry is not there, or the file has\n"
    "bad lines; 2 the command line is wrong and nothing was done; 3 the file\n"
    "cannot be opened, locked, read or written, or the output cannot be written.",
    "zel conf set /etc/example.conf server port 8080"};

int zeltool::conf(int argc, char **argv) {
    const char *name = kConfHelp.command;
    if (asks_help(argc, argv) || asks_help(argc - 1, argv + 1)) return show_help(kConfHelp);
    if (argc == 0) return usage_error(name, "no subcommand given: get, set, del, list or validate");
    const Subcommand *sub = nullptr;
    for (const Subcommand &s : kSubcommands) {
        if (std::strcmp(argv[0], s.name) == 0) sub = &s;
    }
    if (!sub)
        return usage_error(name, "unknown subcommand '%s': get, set, del, list or validate",
                           argv[0]);
    int count = argc - 1;
    char **args = argv + 1;
    if (count < sub->least || count > sub->most)
        return usage_error(sub->command, "takes %s", sub->words);
    if (std::strchr(args[0], '\n'))
        return usage_error(sub->command, "the file name holds a line break");
    const char *const what[] = {"stanza name", "entry name", "value"};
    for (int i = 1; i < count; ++i) {
        const char *why = unfit(args[i], static_cast<ConfWord>(i - 1));
        if (why) return usage_error(sub->command, "%s '%s' %s", what[i - 1], args[i], why);
    }
    Conf conf{sub->command, args[0]};
    return sub->run(conf, args + 1, count - 1);
}
