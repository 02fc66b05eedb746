// zel uuid run as a program: new identifiers one per line, the fields and
// UTC time of a given one, and the exit statuses of bad counts and text.
#include <set>
#include <sstream>

#include "tool_run.h"

namespace {

zeltest::Outcome uuid(const std::string &arguments) {
    return zeltest::run(std::string(ZEL_TOOL) + " uuid " + arguments);
}

TEST(UuidCommand, MakesDistinctIdentifiersOnePerLine) {
    zeltest::Outcome made = uuid("-n 500");
    if (made.status == 1 && made.out.empty()) GTEST_SKIP() << "no network address here: " << made.err;
    ASSERT_EQ(0, made.status) << made.err;
    std::istringstream lines(made.out);
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(36u, line.size());
        EXPECT_EQ('1', line[14]) << line;
        seen.insert(line);
    }
    EXPECT_EQ(500u, seen.size());
    for (const char *bad : {"-n 0", "-n -3", "-n 1x", "-n ''", "-n 1000000001", "extra", "-n 1 --parse ''"})
        EXPECT_EQ(2, uuid(bad).status) << bad;
}

TEST(UuidCommand, ParsesFieldsAndTheTimeStamp) {
    // Stamps 0, the 1970 epoch and one worked out apart from the tool.
    const std::pair<const char *, const char *> times[] = {
        {"00000000-0000-1000-8000-000000000000", "1582-10-15 00:00:00.0000000 UTC"},
        {"13814000-1dd2-11b2-8123-0123456789ab", "1970-01-01 00:00:00.0000000 UTC"},
        {"45F4FA87-F197-11F1-BFFF-0123456789AB", "2026-12-06 17:05:44.1234567 UTC"},
    };
    for (auto [text, time] : times) {
        zeltest::Outcome parsed = uuid(std::string("--parse ") + text);
        EXPECT_EQ(0, parsed.status) << text;
        EXPECT_NE(std::string::npos, parsed.out.find(std::string("time                       ") + time + "\n"))
            << parsed.out;
    }
    zeltest::Outcome fields = uuid("--parse 13814000-1dd2-11b2-8123-0123456789ab");
    EXPECT_NE(std::string::npos, fields.out.find("node                       01:23:45:67:89:ab\n"
                                                 "version                    1\n"
                                                 "variant                    10\n"
                                                 "clock sequence             291\n"));
    zeltest::Outcome old_form = uuid("--parse 0123456789ab.c0.01.02.03.04.05.06.07");
    EXPECT_EQ(0, old_form.status);
    EXPECT_EQ(std::string::npos, old_form.out.find("time "));
    for (const char *bad : {"13814000-1dd2-11b2-8123-0123456789a", "13814000-1dd2-11b2-e123-0123456789ab"}) {
        zeltest::Outcome refused = uuid(std::string("--parse ") + bad);
        EXPECT_EQ(1, refused.status) << bad;
        EXPECT_NE(std::string::npos, refused.err.find(bad)) << refused.err;
    }
}

}  // namespace
