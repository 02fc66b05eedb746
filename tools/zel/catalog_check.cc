// zel catalog check FILE.cat COMPONENT: lists the messages of a compiled
// catalog whose printf conversions differ from the compiled texts', which
// would make the programs that print them misread their arguments.
#include <jrnmsg/lyr.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "arguments.h"
#include "catalog.h"
#include "commands.h"
#include "conversions.h"

namespace {

// Why the file cannot be a catalog, or null. The catalog reader cannot say
// whether a file is missing or not a catalog, and it would wait on a FIFO:
// the file is looked at first, without blocking.
const char *unusable(const char *path) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular ? nullptr : "not a regular file";
}

}  // namespace

const zeltool::Help zeltool::kCatalogCheckHelp = {
    "zel catalog check", "FILE.cat COMPONENT",
    "list the messages of a catalog whose printf conversions differ from the compiled texts'",
    "COMPONENT is qpc, qpd or qpi; the catalog's set 1 holds its messages by\n"
    "number. Exits 1 when a conversion differs or the catalog cannot be read.",
    "zel catalog check de/vrqpc.cat qpc"};

int zeltool::catalog_check(int argc, char **argv) {
    const char *name = kCatalogCheckHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kCatalogCheckHelp, &argc, &argv, &ended)) return ended;
    if (argc != 2) return usage_error(name, "takes FILE.cat and COMPONENT, not %d words", argc);
    const char *path = argv[0];
    const char *component = argv[1];
    std::vector<zel_msg_row> rows = component_rows(component);
    if (rows.empty()) {
        return usage_error(name, "unknown component '%s': qpc, qpd or qpi", component);
    }
    // A name without '/' would be searched for along NLSPATH instead.
    std::string file = std::strchr(path, '/') ? path : std::string("./") + path;
    if (const char *why = unusable(file.c_str()))
        return failure(name, "cannot open %s: %s", path, why);
    // The library's own reader checks every offset; the system's catalog
    // reader can crash on a damaged file, which is what this command looks for.
    lyr_cat_t catalog = lyr_catopen(file.c_str(), 1, nullptr);
    if (!catalog) return failure(name, "%s is not a message catalog", path);

    static const char kAbsent[] = "";
    unsigned long compared = 0, differ = 0, absent = 0;
    for (const zel_msg_row &row : rows) {
        int number = static_cast<int>(row.code & 0xFFF);
        const char *text = lyr_catgets(catalog, 1, number, kAbsent, nullptr);
        if (text == kAbsent) {
            ++absent;
            continue;
        }
        ++compared;
        std::vector<std::string> expected = printf_conversions(row.text);
        std::vector<std::string> found = printf_conversions(text);
        if (found != expected) {
            ++differ;
            std::printf("%d: compiled %s, catalog %s\n", number,
                        format_conversions(expected).c_str(), format_conversions(found).c_str());
        }
    }
    lyr_catclose(catalog);
    std::printf("%lu messages compared, %lu with different conversions, %lu not in the catalog\n",
                compared, differ, absent);
    int status = finish(name, kDone);
    if (status == kDone && differ) {
        return failure(name, "%s: %lu message(s) with conversions that differ", path, differ);
    }
    return status;
}
