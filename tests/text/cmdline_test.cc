// ZELCmdLine: options from argument vectors and response-file stanzas, the
// occurrence that findOption sees, duplicates, the boolean lookup and the
// options left unvalidated. The sanitizer lane checks each is freed once.
#include <zel/ZELCmdLine.h>

#include <map>

#include "support/test_support.h"

namespace {

using Options = std::multimap<std::string, std::string>;

// Name and value of every entry of a table, in its order; with sources, the
// value is followed by " file:stanza" and a validated option is marked '+'.
Options entries_of(const ZELCmdLine::Table *table, bool sources = false) {
    Options out;
    for (auto *n = table->first(); n; n = table->next(n)) {
        const ZELCmdLine::Option &o = *n->value;
        std::string where = std::string(" ") + o.sourceFile.getData() + ":" + o.sourceStanza.getData();
        out.emplace(n->key->getData(), o.optionValue.getData() + (sources ? where + (o.isValidated ? "+" : "") : ""));
    }
    return out;
}

std::string value_of(const ZELCmdLine &cmd, const char *name) {
    ZELStringRef value;
    int rc = cmd.findOption(ZELString(name), &value);
    return rc ? "status " + std::to_string(rc) : std::string(value.getData(), value.getLen());
}

TEST(ZELCmdLine, ArgumentVectors) {
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
        EXPECT_EQ(c.command ? c.command : "(none)", rc == 0 ? std::string(name.getData(), name.getLen())
                                                    : rc == ZEL_S_DATA_NOT_AVAILABLE ? "(none)"
                                                                                     : "?");
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
    std::string got;
    for (const char *name : {"y1", "y2", "n", "b1", "b2", "b3", "b4", "Y1"}) {
        bool value = name[0] != 'y';  // the opposite of the answer wanted
        int rc = cmd.findOption(ZELString(name), &value);
        got += rc == 0                          ? (value ? "yes " : "no ")
               : rc == ZEL_S_CMDLINE_BAD_OPTION ? "bad "
               : rc == ZEL_S_DATA_NOT_AVAILABLE ? "none "
                                                : "? ";
    }
    EXPECT_EQ("yes yes no bad bad bad bad none ", got);
}

// Options of a response-file stanza come after the command line's: a name
// given on both is found with the command line's value, the file's goes to
// the duplicates. A missing stanza adds nothing; a bad line stops the walk
// and keeps the options read before it. The options left unvalidated are
// found at the first call and kept.
TEST(ZELCmdLine, ResponseFiles) {
    zeltest::TempDir dir;
    const std::string file = dir.file("opts.rsp"), bad = dir.file("bad.rsp");
    zeltest::write_file(file, "[other]\nq = 1\n[opts]\na = file\nz = zv # note\nflag =\n[more]\nz = again\n");
    zeltest::write_file(bad, "[opts]\nm1 = v\nno separator\nm2 = w\n");
    const char *argv[] = {"p", "-a", "cmd"};
    ZELCmdLine cmd;
    ASSERT_EQ(0, cmd.initialize(3, argv));
    auto load = [&](const std::string &path, const char *stanza) {
        return unsigned(cmd.loadRspFile(ZELStringRef(path.c_str()), ZELStringRef(stanza)));
    };
    EXPECT_EQ(0u, load(file, "opts"));
    EXPECT_EQ(0u, load(file, "absent"));
    EXPECT_EQ(0u, load(file, "more"));
    EXPECT_EQ(ZEL_S_STZ_OPEN_FAILED, load(dir.file("missing.rsp"), "opts"));
    EXPECT_EQ(ZEL_S_STZ_BAD_FORMAT, load(bad, "opts"));
    EXPECT_EQ("cmd", value_of(cmd, "a"));
    const std::string opts = " " + file + ":opts";
    cmd.validated(ZELStringRef("zz"));
    cmd.validated(ZELStringRef("flagged", 4));
    const ZELCmdLine::Table *invalid = cmd.invalidOptions();
    Options unvalidated = {{"a", "cmd :"}, {"z", "zv" + opts}, {"m1", "v " + bad + ":opts"}};
    EXPECT_EQ(unvalidated, entries_of(invalid, true));
    cmd.validated(ZELStringRef("a"));  // once found, the table is kept and shares its options
    unvalidated.find("a")->second += "+";
    EXPECT_EQ(invalid, cmd.invalidOptions());
    EXPECT_EQ(unvalidated, entries_of(invalid, true));
    EXPECT_EQ(Options({{"a", "file" + opts}, {"z", "again " + file + ":more"}}),
              entries_of(cmd.duplicateOptions(), true));
}

}  // namespace
