// Every zel command as a shell script sees it: help on standard output with
// status 0, usage errors with 2, failures with 1, each error one line that
// names the command.
#include "tool_run.h"

namespace {

using zeltest::run;

const char *const kCommands[] = {"errtext", "catalog", "catalog export", "catalog check", "log", "msg", "trace",
                                 "utc",     "conf"};

TEST(CommandLine, EveryCommandHasHelpWithAnExample) {
    std::string zel = ZEL_TOOL;
    for (const char *command : kCommands) {
        std::string asked = zel + " " + command + " --help";
        zeltest::Outcome o = run(asked);
        EXPECT_EQ(0, o.status) << asked;
        EXPECT_EQ(0u, o.out.find(std::string("Usage: zel ") + command)) << asked << "\n" << o.out;
        size_t example = o.out.find("\nExample:\n  ");
        EXPECT_NE(std::string::npos, o.out.find(std::string("zel ") + command, example)) << o.out;
        EXPECT_EQ("", o.err) << asked;
    }
    EXPECT_EQ(run(zel + " catalog --help").out, run(zel + " help catalog").out);
    for (const char *asked : {" --help", " help"}) {
        zeltest::Outcome o = run(zel + asked);
        EXPECT_EQ(0, o.status) << asked;
        for (const char *command : kCommands) {
            if (std::strcmp(command, "catalog") == 0) continue;  // listed by its two forms
            EXPECT_NE(std::string::npos, o.out.find(std::string("\n  ") + command + " ")) << command;
        }
    }
}

TEST(CommandLine, ErrorsAreOneLineNamingTheCommandAndExitBySort) {
    zeltest::TempDir dir;
    zeltest::write_file(dir.file("junk.cat"), "not a catalog");
    zeltest::write_file(dir.file("site.conf"), "[bad]\nbogus = 1\n[empty]\nat =\n");
    const std::string missing = dir.file("missing.cat"), junk = dir.file("junk.cat");
    const std::string site = dir.file("site.conf");
    // What follows "zel" (it may set the environment first), the status, the error's first words.
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 2, "zel: "},
        {"nope", 2, "zel: unknown command 'nope'"},
        {"help nope", 2, "zel: unknown command 'nope'"},
        {"errtext", 2, "zel errtext: "},
        {"errtext 0x3665A097 zz", 2, "zel errtext: 'zz' is not a status code"},
        {"errtext \"$(printf 'x\\ny')\"", 2, "zel errtext: 'x?y' "},
        {"errtext 0x3665A097 >/dev/full", 1, "zel errtext: cannot write"},
        {"catalog", 2, "zel catalog: "},
        {"catalog list", 2, "zel catalog: unknown subcommand 'list'"},
        {"catalog export", 2, "zel catalog export: "},
        {"catalog export xyz", 2, "zel catalog export: unknown component 'xyz'"},
        {"catalog export qpc >/dev/full", 1, "zel catalog export: cannot write"},
        {"catalog check " + missing, 2, "zel catalog check: "},
        {"catalog check " + missing + " xyz", 2, "zel catalog check: unknown component 'xyz'"},
        {"catalog check " + missing + " qpc", 1, "zel catalog check: cannot open "},
        {"catalog check " + dir.path() + " qpc", 1, "zel catalog check: cannot open "},
        {"catalog check " + junk + " qpc", 1, "zel catalog check: " + junk + " is not a message catalog"},
        {"log ERROR", 2, "zel log: "},
        {"log BAD 0x3665A097", 2, "zel log: unknown severity 'BAD'"},
        {"log ERROR zz", 2, "zel log: 'zz' is not a status code"},
        {"log ERROR 0x3665A0A2 /etc/x.conf", 2, "zel log: message 0x3665a0a2: "},
        {"log ERROR 0x3665A0A2 /etc/x.conf two", 2, "zel log: message 0x3665a0a2: "},
        {"log NOTICE 0x3665A097 >/dev/full", 1, "zel log: cannot write"},
        {"msg", 2, "zel msg: "},
        {"msg zz", 2, "zel msg: 'zz' is not a status code"},
        {"msg 0x3665A0A2 /etc/x", 2, "zel msg: message 0x3665a0a2: the message takes 2 "},
        {"msg 0x3665A097 extra", 2, "zel msg: message 0x3665a097: the message takes 0 "},
        {"msg 0x3665A1C5 -1 bob", 2, "zel msg: message 0x3665a1c5: argument 1 ('-1') "},
        {"msg 0x3665A0C8", 1, "zel msg: no message has the code 0x3665a0c8"},
        {"msg 0x3665A097 >/dev/full", 1, "zel msg: cannot write"},
        {"trace 3", 2, "zel trace: "},
        {"trace 10 text", 2, "zel trace: the level must be"},
        {"trace 3 text >/dev/full", 1, "zel trace: cannot write"},
        {"utc --bogus", 2, "zel utc: unknown argument '--bogus'"},
        {"utc --at", 2, "zel utc: --at needs a value"},
        {"utc --at 1.5x", 2, "zel utc: '1.5x' is not a time"},
        {"utc --at 0 >/dev/full", 1, "zel utc: cannot write"},
        {"utc --at 1 --at=2", 2, "zel utc: --at is given more than once"},
        {"utc @" + site + ":bad", 2, "zel utc: unknown option 'bogus' in " + site + " [bad]"},
        {"utc @" + site + ":empty", 2, "zel utc: --at needs a value"},
        {"utc @" + site + ":none", 1, "zel utc: " + site + " has no stanza [none]"},
        {"utc @" + site, 2, "zel utc: '@" + site + "' is not @FILE:STANZA"},
    };
    // Records of both kinds go to standard output, where the failures meet a full device.
    const std::string env = "SVC_NOTICE=STDOUT: SVC_QPC_DBG='qpc:*.9:STDOUT:' ";
    for (const auto &[line, status, starts] : cases) {
        zeltest::Outcome o = run(env + ZEL_TOOL + " " + line);
        EXPECT_EQ(status, o.status) << line;
        EXPECT_EQ(0u, o.err.find(starts)) << line << "\n" << o.err;
        EXPECT_EQ(o.err.size() - 1, o.err.find('\n')) << line << "\n" << o.err;
        EXPECT_TRUE(status != 2 || o.out.empty()) << line << "\n" << o.out;  // usage errors print nothing else
    }
}

// zel msg prints as the programs do: name, text, arguments, the user's code
// page; a translation that reads other arguments than the compiled text is
// passed over, so the words are matched to the compiled text's conversions.
TEST(MsgCommand, PrintsTheMessageWithItsArguments) {
    zeltest::TempDir dir;
    zeltest::compile_catalog(dir.file("C/vrqpc.cat"), "$set 1\n$quote \"\n151 \"Kein Speicher.\"\n162 \"%d %s\"\n");
    const std::string catalogs = "NLSPATH=" + dir.path() + "/%L/%N LC_ALL=C ";
    const std::pair<std::string, std::string> cases[] = {
        {"zel msg 0x3665A0A2 /etc/x 2", "zel:  KVXSC0162E   Could not open file /etc/x (system error code: 2).\n"},
        {"zel msg 0x3665A1C5 4294967295 bob", "zel:  KVXSC0453I   4294967295 sessions of user bob were ended.\n"},
        {catalogs + "zel msg 912629911", "zel:  Kein Speicher.\n"},
        {catalogs + "zel msg 3665A0A2 /etc/x 2",
         "zel:  KVXSC0162E   Could not open file /etc/x (system error code: 2).\n"},
        {"LC_ALL=de_DE.ISO-8859-1 zel msg 0x3665A0A2 \"$(printf '\\303\\244')\" 2",
         "zel:  KVXSC0162E   Could not open file \xE4 (system error code: 2).\n"},
    };
    for (auto [line, out] : cases) {
        line.replace(line.find("zel "), 3, ZEL_TOOL);
        zeltest::Outcome o = run(line);
        EXPECT_EQ(std::make_pair(0, out), std::make_pair(o.status, o.out)) << line << "\n" << o.err;
    }
}

// Options from a stanza of a configuration file act as on the command line,
// which wins over the file; a negative number is a value, not an option.
TEST(CommandLine, ResponseFileStanzasGiveOptions) {
    zeltest::TempDir dir;
    zeltest::write_file(dir.file("site.conf"), "[utc]\ntz = CET-1CEST,M3.5.0,M10.5.0/3\nat = 1700000000.5\n");
    const std::string zel = std::string(ZEL_TOOL) + " utc ", from_file = zel + "@" + dir.file("site.conf") + ":utc";
    zeltest::Outcome o = run(from_file);
    EXPECT_EQ(std::make_pair(0, run(zel + "--tz CET-1CEST,M3.5.0,M10.5.0/3 --at 1700000000.5").out),
              std::make_pair(o.status, o.out));
    EXPECT_EQ(0u, run(from_file + " --at 0").out.find("utc    1970-01-01-00:00:00.000I"));
    EXPECT_EQ(0u, run(from_file + " --at -1.5").out.find("utc    1969-12-31-23:59:58.500I"));
}

}  // namespace
