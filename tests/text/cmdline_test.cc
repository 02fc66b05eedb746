// ZELCmdLine: options from argument vectors and response-file stanzas, the
// occurrence that findOption sees, duplicates, the boolean lookup and the
// options left unvalidated. The sanitizer lane checks each is freed once.
#include <zel/ZELCmdLine.h>

#include <map>

#include "support/test_support.h"

namespace {

// "name=value" of every entry of a table, sorted by name (then value).
std::multimap<std::string, std::string> entries_of(const ZELCmdLine::Table *table) {
    std::multimap<std::string, std::string> out;
    for (auto *n = table->first(); n; n = table->next(n)) out.emplace(n->key->getData(), n->value->optionValue.getData());
    return out;
}

std::string value_of(const ZELCmdLine &cmd, const char *name) {
    ZELStringRef value;
    int rc = cmd.findOption(ZELString(name), &value);
    return rc ? "status " + std::to_string(rc) : std::string(value.getData(), value.getLen());
}

TEST(ZELCmdLine, ArgumentVectors) {
    using Options = std::multimap<std::string, std::string>;
    const struct {
        std::vector<const char *> argv;
        const char *command;
        Options options, duplicates;
    } cases[] = {
        {{"prog", "-a", "1", "-b", "-c", "x", "y"}, "prog", {{"a", "1"}, {"b", ""}, {"c", "x"}}, {}},
        {{"-a", "1", "z"}, nullptr, {{"a", "1"}}, {}},
        {{"p", "-a", "1", "-a", "2", "-a"}, "p", {{"a", "1"}}, {{"a", "2"}, {"a", ""}}},
        {{"p", "--x", "-", "v", "-1", "-b"}, "p", {{"-x", ""}, {"", "v"}, {"1", ""}, {"b", ""}}, {}},
        {{"p"}, "p", {}, {}},
    };
    for (const auto &c : cases) {
        ZELCmdLine cmd;
        ASSERT_EQ(0, cmd.initialize(int(c.argv.size()), const_cast<const char **>(c.argv.data())));
        ZELStringRef name;
        int rc = cmd.getCmdName(&name);
        EXPECT_EQ(c.command ? "0 " + std::string(c.command) : "status " + std::to_string(ZEL_S_DATA_NOT_AVAILABLE),
                  rc ? "status " + std::to_string(rc) : "0 " + std::string(name.getData(), name.getLen()))
            << c.argv[0];
        EXPECT_EQ(int(c.options.size()), cmd.getNumOptions()) << c.argv[0];
        for (const auto &[key, value] : c.options) EXPECT_EQ(value, value_of(cmd, key.c_str())) << key;
        EXPECT_EQ(c.options, entries_of(cmd.invalidOptions())) << c.argv[0];
        EXPECT_EQ(c.duplicates, entries_of(cmd.duplicateOptions())) << c.argv[0];
    }
}

TEST(ZELCmdLine, BooleanLookup) {
    const char *argv[] = {"p", "-y1", "YES", "-y2", "Yes", "-n", "no", "-b1", "y", "-b2", "true", "-b3", "-b4", "yess"};
    ZELCmdLine cmd;
    ASSERT_EQ(0, cmd.initialize(14, argv));
    const std::pair<const char *, int> cases[] = {
        {"y1", 1},  {"y2", 1},  {"n", 0},   {"b1", ZEL_S_CMDLINE_BAD_OPTION}, {"b2", ZEL_S_CMDLINE_BAD_OPTION},
        {"b3", ZEL_S_CMDLINE_BAD_OPTION}, {"b4", ZEL_S_CMDLINE_BAD_OPTION}, {"Y1", ZEL_S_DATA_NOT_AVAILABLE},
    };
    for (const auto &[name, wanted] : cases) {
        bool value = false;
        int rc = cmd.findOption(ZELString(name), &value);
        EXPECT_EQ(wanted, rc == 0 ? int(value) : rc) << name;
    }
    bool value = true;
    EXPECT_EQ(0, cmd.findOption(ZELString("n"), &value));
    EXPECT_FALSE(value);
}

// The invalid table is filled at the first call and kept; it shares its keys
// and options with the option table.
TEST(ZELCmdLine, InvalidOptionsAreComputedOnce) {
    const char *argv[] = {"p", "-a", "-b", "-c", "3"};
    ZELCmdLine cmd;
    ASSERT_EQ(0, cmd.initialize(5, argv));
    cmd.validated(ZELStringRef("a"));
    cmd.validated(ZELStringRef("zz"));
    cmd.validated(ZELStringRef("c", 1));
    const ZELCmdLine::Table *invalid = cmd.invalidOptions();
    std::multimap<std::string, std::string> wanted{{"b", ""}};
    EXPECT_EQ(wanted, entries_of(invalid));
    cmd.validated(ZELStringRef("b"));
    EXPECT_EQ(invalid, cmd.invalidOptions());
    EXPECT_EQ(wanted, entries_of(cmd.invalidOptions()));
    EXPECT_TRUE(invalid->first()->value->isValidated);
}

// Options of a response-file stanza come after the command line's: a name
// given on both is found with the command line's value, the file's goes to
// the duplicates. A missing stanza adds nothing; a bad line stops the walk
// and keeps the options read before it.
TEST(ZELCmdLine, ResponseFiles) {
    zeltest::TempDir dir;
    const std::string file = dir.file("opts.rsp"), bad = dir.file("bad.rsp");
    zeltest::write_file(file, "[other]\nq = 1\n[opts]\na = file\nz = zv # note\nflag =\n[more]\nz = again\n");
    zeltest::write_file(bad, "[opts]\nm1 = v\nno separator\nm2 = w\n");
    const char *argv[] = {"p", "-a", "cmd"};
    ZELCmdLine cmd;
    ASSERT_EQ(0, cmd.initialize(3, argv));
    const std::pair<std::pair<std::string, const char *>, unsigned> loads[] = {
        {{file, "opts"}, 0},
        {{file, "absent"}, 0},
        {{file, "more"}, 0},
        {{dir.file("missing.rsp"), "opts"}, ZEL_S_STZ_OPEN_FAILED},
        {{bad, "opts"}, ZEL_S_STZ_BAD_FORMAT},
    };
    for (const auto &[args, wanted] : loads) {
        EXPECT_EQ(wanted, unsigned(cmd.loadRspFile(ZELStringRef(args.first.c_str()), ZELStringRef(args.second))))
            << args.first << " " << args.second;
    }
    std::multimap<std::string, std::string> options{{"a", "cmd"}, {"z", "zv"}, {"flag", ""}, {"m1", "v"}},
        duplicates{{"a", "file"}, {"z", "again"}};
    EXPECT_EQ(options, entries_of(cmd.invalidOptions()));
    EXPECT_EQ(duplicates, entries_of(cmd.duplicateOptions()));
    // Where each option came from.
    std::multimap<std::string, std::string> sources;
    for (const ZELCmdLine::Table *t : {cmd.invalidOptions(), cmd.duplicateOptions()}) {
        for (auto *n = t->first(); n; n = t->next(n)) {
            sources.emplace(n->key->getData(), std::string(n->value->sourceFile.getData()) + ":" +
                                                   n->value->sourceStanza.getData());
        }
    }
    const std::multimap<std::string, std::string> wanted{
        {"a", ":"},           {"a", file + ":opts"},  {"z", file + ":opts"},
        {"z", file + ":more"}, {"flag", file + ":opts"}, {"m1", bad + ":opts"}};
    EXPECT_EQ(wanted, sources);
}

}  // namespace
