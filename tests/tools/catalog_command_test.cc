// zel catalog export and check run as a program, and the tool's readers of
// conversions: the lists it compares and the words zel log matches.
#include <nl_types.h>

#include <sstream>

#include "conversions.h"
#include "log_args.h"
#include "tool_run.h"

namespace {

using zeltest::Outcome;
using zeltest::run;

// gencat's catalog of a component's export, some lines replaced or dropped ("").
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

// Every row of the deploy table, empty and %s texts among them, comes back.
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
                 zel_msg_get_default_msg(ZEL_S_STZ_FILE_OPEN_ERROR, &st));
    std::string check = std::string(ZEL_TOOL) + " catalog check ";
    // Faithful, reordered by position, or missing: accepted.
    Outcome good = run(check + compiled_export(dir, "qpc", {{162, "162 \"%2$d: %1$s\""}, {170, ""}}) + " qpc");
    EXPECT_EQ(0, good.status) << good.out;
    EXPECT_NE(std::string::npos, good.out.find("1 not in the catalog")) << good.out;
    Outcome bad = run(check + compiled_export(dir, "qpc", {{162, "162 \"%d: %s\""}, {151, "151 \"%s\""}}) + " qpc");
    EXPECT_EQ(1, bad.status);
    EXPECT_EQ(0u, bad.out.find("151: compiled -, catalog %s\n162: compiled %s %d, catalog %d %s\n")) << bad.out;
    EXPECT_NE(std::string::npos, bad.err.find(": 2 message(s) with conversions that differ\n")) << bad.err;
}

// A damaged catalog is refused or read, never the end of the checker: the
// system's catalog reader dies on some of these, so the command must not use it.
TEST(CatalogCommand, CheckSurvivesDamagedCatalogs) {
    zeltest::TempDir dir;
    const std::string good = zeltest::read_file(compiled_export(dir, "qpc"));
    ASSERT_GT(good.size(), 400u);
    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < 400; cut += 13) damaged.push_back(good.substr(0, cut));
    for (size_t at = 4; at < 200; at += 5) {
        damaged.push_back(good);
        damaged.back()[at] = static_cast<char>(damaged.back()[at] ^ 0x80);
    }
    int refused = 0;
    for (size_t i = 0; i < damaged.size(); ++i) {
        std::string cat = dir.file("damaged.cat");
        zeltest::write_file(cat, damaged[i]);
        Outcome checked = run(std::string(ZEL_TOOL) + " catalog check " + cat + " qpc >/dev/null");
        ASSERT_TRUE(checked.status == 0 || checked.status == 1) << "variant " << i << ": " << checked.status;
        refused += checked.err.find("is not a message catalog") != std::string::npos;
    }
    EXPECT_GT(refused, 0);
}

using zeltool::format_conversions;
using zeltool::printf_conversions;

std::string list(const char *text) { return format_conversions(printf_conversions(text)); }

TEST(Conversions, KindsInArgumentOrderOrByPosition) {
    const std::pair<const char *, const char *> lists[] = {
        {"open %s failed: %d", "%s %d"},
        {"100%% done, %5%", "-"},
        {"%-10.3s%%", "%s"},
        {"%*d %*.*s", "* %d * * %s"},
        // Positional arguments compare by position; malformed ones never match.
        {"%1$s and again %1$s", "%s"},
        {"%2$s", "? %s"},
        {"%2$.*1$s", "* %s"},
        {"%1$s %1$d", "%s|d"},
        {"%s 100%", "%s !%"},
        {"%y", "!%y"},
        {"%4097$s", "!%4097$s"},
        // What the engine refuses is malformed here too.
        {"%m %n %lf %hhu %zu %*1$d", "!%m !%n !%lf !%hhu !%zu !%*1$d"},
        // Lengths and wide kinds are kinds of their own; order counts.
        {"%ld %lld %Lf %qd %S %C %p", "%ld %lld %Lf %qd %S %C %p"},
        {"%d %s", "%d %s"},
        {"%2$d ... %1$s", "%s %d"}};
    for (const auto &[text, want] : lists) EXPECT_EQ(want, list(text)) << text;
}

// The words of zel log: what each conversion takes, or why the text is refused.
TEST(LogArguments, WordsMatchTheConversions) {
    // The text, the words given, and the argument types or the reason.
    const std::tuple<const char *, std::vector<const char *>, const char *> cases[] = {
        {"%-20s|%lu|%hx|%c", {"a", "7", "ff", "z"}, "%s%lu%hx%c"},
        {"100%% %5%", {}, ""},
        {"%d %1$s", {"1", "a"}, "positional conversions are not supported"},
        {"%.*s", {"1", "a"}, "conversion '%.*s' takes more than one value"},
        {"%lf", {"1"}, "conversion '%lf' is not supported"},
        {"%s %n", {"a", "1"}, "conversion '%n' is not supported"},
        {"%hhd", {"1"}, "conversion '%hhd' is not supported"},
        {"%ls", {"a"}, "conversion '%ls' is not supported"},
        {"%hd", {"32768"}, "argument 1 ('32768') is not a value of %hd"},
        {"%s %d", {"a"}, "the message takes 2 argument(s), 1 given"},
    };
    for (const auto &[text, given, result] : cases) {
        std::vector<zeltool::LogArg> args;
        std::string argtypes, why;
        std::vector<char *> words;
        for (const char *w : given) words.push_back(const_cast<char *>(w));
        bool ok = zeltool::match_log_args(text, static_cast<int>(words.size()), words.data(), &args, &argtypes, &why);
        EXPECT_EQ(result, ok ? argtypes : why) << text;
    }
}

}  // namespace
