// zel catalog export|check: message catalogs next to the compiled texts, for
// translators (export) and for administrators installing a translation (check).
#include "catalog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace zeltool {

namespace {

constexpr unsigned32 kCompiledTables = 3;  // qpc, qpd, qpi
constexpr unsigned32 kNumberMask = 0xFFF;

}  // namespace

const Help kCatalogHelp = {
    "zel catalog", "export COMPONENT\ncheck FILE.cat COMPONENT",
    "write a component's compiled texts as a gencat source, or check a catalog's conversions",
    "COMPONENT is qpc, qpd or qpi. See 'zel catalog export --help' and\n"
    "'zel catalog check --help'.",
    "zel catalog export qpc > vrqpc.msg"};

std::vector<zel_msg_row> component_rows(const char *component) {
    std::vector<zel_msg_row> rows;
    for (unsigned32 t = 0; t < kCompiledTables; ++t) {
        const zel_msg_table &table = zel_msg_g_compiled_table[t];
        for (unsigned32 i = 0; i < table.count; ++i) {
            char name[4];
            zel_msg__inq_comp(table.table[i].code, name);
            if (std::strcmp(name, component) == 0) rows.push_back(table.table[i]);
        }
    }
    auto number = [](const zel_msg_row &row) { return row.code & kNumberMask; };
    std::stable_sort(rows.begin(), rows.end(), [&](const zel_msg_row &a, const zel_msg_row &b) {
        return number(a) < number(b);
    });
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [&](const zel_msg_row &a, const zel_msg_row &b) {
                               return number(a) == number(b);
                           }),
               rows.end());
    return rows;
}

std::string catalog_file_name(const zel_msg_row &row) {
    char tech[4], comp[4];
    zel_msg__inq_tech(row.code, tech);
    zel_msg__inq_comp(row.code, comp);
    return std::string(tech) + comp + ".cat";
}

}  // namespace zeltool

int zeltool::catalog(int argc, char **argv) {
    const char *name = kCatalogHelp.command;
    if (asks_help(argc, argv)) return show_help(kCatalogHelp);
    if (argc == 0) return usage_error(name, "no subcommand given: export or check");
    if (std::strcmp(argv[0], "export") == 0) return catalog_export(argc - 1, argv + 1);
    if (std::strcmp(argv[0], "check") == 0) return catalog_check(argc - 1, argv + 1);
    return usage_error(name, "unknown subcommand '%s': export or check", argv[0]);
}
