// zel catalog export COMPONENT: the component's compiled texts as a gencat
// source, the starting point of a translation.
#include <cstdio>

#include "arguments.h"
#include "catalog.h"
#include "commands.h"

namespace {

// Writes text between double quotes, escaped so that gencat reads back the
// same bytes: named escapes where gencat has them, three-digit octal for any
// other control character. Other bytes (UTF-8 included) pass unchanged.
void write_quoted(const char *text) {
    std::putchar('"');
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        switch (*p) {
        case '\\': std::fputs("\\\\", stdout); break;
        case '"': std::fputs("\\\"", stdout); break;
        case '\n': std::fputs("\\n", stdout); break;
        case '\t': std::fputs("\\t", stdout); break;
        default:
            if (*p < 0x20 || *p == 0x7F) {
                std::printf("\\%03o", *p);
            } else {
                std::putchar(*p);
            }
        }
    }
    std::putchar('"');
}

}  // namespace

const zeltool::Help zeltool::kCatalogExportHelp = {
    "zel catalog export", "COMPONENT",
    "write the compiled texts of component qpc, qpd or qpi as a gencat source",
    "The source is the starting point of a translation: translate the texts,\n"
    "keep their printf conversions, compile it with gencat.",
    "zel catalog export qpc > vrqpc.msg"};

int zeltool::catalog_export(int argc, char **argv) {
    const char *name = kCatalogExportHelp.command;
    Arguments words;
    int ended;
    if (!words.start(kCatalogExportHelp, &argc, &argv, &ended)) return ended;
    if (argc != 1) return usage_error(name, "takes one COMPONENT, not %d words", argc);
    std::vector<zel_msg_row> rows = component_rows(argv[0]);
    if (rows.empty()) {
        return usage_error(name, "unknown component '%s': qpc, qpd or qpi", argv[0]);
    }
    std::printf("$ %s: compiled texts of component %s\n", catalog_file_name(rows[0]).c_str(),
                argv[0]);
    std::printf("$ base 0x%08lX\n", static_cast<unsigned long>(rows[0].code & ~0xFFFu));
    std::printf("$set 1\n$quote \"\n");
    for (const zel_msg_row &row : rows) {
        std::printf("%lu ", static_cast<unsigned long>(row.code & 0xFFF));
        write_quoted(row.text);
        std::putchar('\n');
    }
    return finish(name, kDone);
}
