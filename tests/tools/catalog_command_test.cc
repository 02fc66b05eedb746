// zel catalog, run as an administrator runs it: export a component, compile
// the export with gencat, read it back, and check good and broken catalogs;
// and the printf conversions that zel catalog check compares.
#include <zel/zel.h>

#include <nl_types.h>
#include <sys/wait.h>

#include <sstream>

#include "conversions.h"
#include "support/test_support.h"

namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome run(const std::string &command) {
    Outcome result{-1, ""};
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Compiles the export of a component with gencat, after replacing or dropping
// (empty replacement) the lines of some message numbers.
std::string compiled_export(const zeltest::TempDir &dir, const char *component,
                            const std::vector<std::pair<int, std::string>> &edits = {}) {
    std::istringstream in(run(std::string(ZEL_TOOL) + " catalog export " + component).out);
    std::string source, line;
    while (std::getline(in, line)) {
        for (const auto &[number, replacement] : edits)
            if (line.rfind(std::to_string(number) + " ", 0) == 0) line = replacement;
        source += line + "\n";
    }
    zeltest::write_file(dir.file("source.msg"), source);
    std::string cat = dir.file("out.cat");
    std::remove(cat.c_str());  // gencat merges into an existing catalog
    EXPECT_EQ(0, run(std::string(GENCAT) + " " + cat + " " + dir.file("source.msg")).status);
    return cat;
}

// Every row of the deploy table (second compiled table, component qpd), which
// has empty texts as well as %s ones, comes back from the compiled export.
TEST(CatalogCommand, ExportRoundTripsThroughGencat) {
    zeltest::TempDir dir;
    nl_catd cat = catopen(compiled_export(dir, "qpd").c_str(), NL_CAT_LOCALE);
    ASSERT_NE(reinterpret_cast<nl_catd>(-1), cat);
    const zel_msg_table &table = zel_msg_g_compiled_table[1];
    int empty = 0, with_s = 0;
    for (unsigned32 i = 0; i < table.count; ++i) {
        const char *text = table.table[i].text;
        EXPECT_STREQ(text, catgets(cat, 1, table.table[i].code & 0xFFF, "(absent)"));
        empty += text[0] == '\0';
        with_s += std::strstr(text, "%s") != nullptr;
    }
    catclose(cat);
    EXPECT_GT(empty, 0);
    EXPECT_GT(with_s, 0);
}

TEST(CatalogCommand, CheckListsOnlyConversionsThatDiffer) {
    zeltest::TempDir dir;
    unsigned32 st;
    ASSERT_STREQ("KVXSC0162E   Could not open file %s (system error code: %d).",
                 zel_msg_get_default_msg(0x3665A0A2, &st));
    std::string check = std::string(ZEL_TOOL) + " catalog check ";
    // Faithful, reordered by position, or missing: accepted.
    Outcome good = run(check + compiled_export(dir, "qpc", {{162, "162 \"%2$d: %1$s\""}, {170, ""}}) + " qpc");
    EXPECT_EQ(0, good.status) << good.out;
    EXPECT_NE(std::string::npos, good.out.find("1 not in the catalog")) << good.out;
    Outcome bad = run(check + compiled_export(dir, "qpc", {{162, "162 \"%d: %s\""}, {151, "151 \"%s\""}}) + " qpc");
    EXPECT_EQ(1, bad.status);
    EXPECT_EQ(0u, bad.out.find("151: compiled -, catalog %s\n162: compiled %s %d, catalog %d %s\n")) << bad.out;
}

TEST(CatalogCommand, UsageErrorsAndUnreadableCatalogsExitWith2) {
    zeltest::TempDir dir;
    zeltest::write_file(dir.file("junk.cat"), "not a catalog");
    std::string zel = ZEL_TOOL;
    std::vector<std::string> cases = {"catalog", "catalog export", "catalog export xyz",
                                      "catalog list qpc",
                                      "catalog check " + dir.file("none.cat") + " qpc",
                                      "catalog check " + dir.file("junk.cat") + " qpc",
                                      "catalog check " + compiled_export(dir, "qpc") + " xyz"};
    for (const std::string &args : cases) EXPECT_EQ(2, run(zel + " " + args).status) << args;
    EXPECT_NE(std::string::npos, run(zel + " --help").out.find("catalog export"));
}

using zeltool::format_conversions;
using zeltool::printf_conversions;

std::string list(const char *text) { return format_conversions(printf_conversions(text)); }

TEST(Conversions, KindsInArgumentOrderOrByPosition) {
    EXPECT_EQ("%s %d", list("open %s failed: %d"));
    EXPECT_EQ("-", list("100%% done, %m"));
    EXPECT_EQ("%s", list("%-10.3s%%"));
    EXPECT_EQ("* %d * * %s", list("%*d %*.*s"));
    EXPECT_EQ("%ld %lld %hhu %Lf %qd %jd %zu %td %S %C %p", list("%ld %lld %hhu %Lf %qd %jd %zu %td %S %C %p"));
    EXPECT_NE(list("%d"), list("%ld"));
    EXPECT_NE(list("%s %d"), list("%d %s"));

    // Positional arguments compare by position.
    EXPECT_EQ(list("%s ... %d"), list("%2$d ... %1$s"));
    EXPECT_EQ("%s", list("%1$s and again %1$s"));
    EXPECT_EQ("? %s", list("%2$s"));
    EXPECT_EQ("* %s", list("%2$.*1$s"));
    EXPECT_EQ("%s|d", list("%1$s %1$d"));
    // Malformed conversions never match a well-formed list.
    EXPECT_EQ("%s !%", list("%s 100%"));
    EXPECT_EQ("!%y", list("%y"));
    EXPECT_EQ("!%99999$", list("%99999$s"));
}

}  // namespace
