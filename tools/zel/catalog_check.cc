// zel catalog check FILE.cat COMPONENT: lists the messages of a compiled
// catalog whose printf conversions differ from the compiled texts', which
// would make the programs that print them misread their arguments.
#include <nl_types.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "catalog.h"
#include "conversions.h"

int zeltool::catalog_check(int argc, char **argv) {
    if (argc != 2) return catalog_usage();
    const char *path = argv[0];
    const char *component = argv[1];
    std::vector<zel_msg_row> rows = component_rows(component);
    if (rows.empty()) {
        std::fprintf(stderr, "zel catalog check: no compiled texts for component '%s'\n", component);
        return 2;
    }
    // A name without '/' would be searched for along NLSPATH instead.
    std::string file = std::strchr(path, '/') ? path : std::string("./") + path;
    nl_catd catalog = catopen(file.c_str(), NL_CAT_LOCALE);
    if (catalog == reinterpret_cast<nl_catd>(-1)) {
        std::fprintf(stderr, "zel catalog check: cannot open catalog %s: %s\n", path,
                     std::strerror(errno));
        return 2;
    }

    static const char kAbsent[] = "";
    unsigned long compared = 0, differ = 0, absent = 0;
    for (const zel_msg_row &row : rows) {
        int number = static_cast<int>(row.code & 0xFFF);
        const char *text = catgets(catalog, 1, number, kAbsent);
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
    catclose(catalog);
    std::printf("%lu messages compared, %lu with different conversions, %lu not in the catalog\n",
                compared, differ, absent);
    return differ ? 1 : 0;
}
