// zel uuid run as a program: new identifiers one per line, the fields and
// UTC time of a given one, and the exit statuses of bad counts and text.
#include <set>
#include <sstream>
#include <tuple>

#include "tool_run.h"

namespace {

zeltest::Outcome uuid(const std::string &arguments) {
    return zeltest::run(std::string(ZEL_TOOL) + " uuid " + arguments);
}

TEST(UuidCommand, MakesIdentifiersAndShowsTheirFields) {
    // Stamps 0, the 1970 epoch and one worked out apart from the tool; then status 1 for bad text.
    const std::tuple<std::string, int, std::string> parses[] = {
        {"00000000-0000-1000-8000-000000000000", 0, "time                       1582-10-15 00:00:00.0000000 UTC\n"},
        {"13814000-1dd2-11b2-8123-0123456789ab", 0,
         "node                       01:23:45:67:89:ab\nversion                    1\n"
         "variant                    10\nclock sequence             291\n"
         "time                       1970-01-01 00:00:00.0000000 UTC\n"},
        {"45F4FA87-F197-11F1-BFFF-0123456789AB", 0, "time                       2026-12-06 17:05:44.1234567 UTC\n"},
        {"13814000-1dd2-11b2-e123-0123456789ab", 1, "invalid variant (status 0x16c9a088)"},
        {"13814000-1dd2-11b2-8123-0123456789a", 1, "not an identifier's text form (status 0x16c9a08f)"}};
    for (const auto &[text, status, shown] : parses) {
        zeltest::Outcome parsed = uuid("--parse " + text);
        EXPECT_EQ(status, parsed.status) << text;
        EXPECT_NE(std::string::npos, (status ? parsed.err : parsed.out).find(shown)) << parsed.err;
    }
    for (const char *bad : {"-n 0", "-n -3", "-n 1x", "-n ''", "-n 1000000001", "extra", "-n 1 --parse ''"})
        EXPECT_EQ(2, uuid(bad).status) << bad;
    zeltest::Outcome made = uuid("-n 500");
    if (made.status == 1 && made.out.empty()) GTEST_SKIP() << "no network address here: " << made.err;
    std::istringstream lines(made.out);
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) seen.insert(line.size() == 36 && line[14] == '1' ? line : "");
    EXPECT_TRUE(made.status == 0 && seen.size() == 500 && !seen.count("")) << made.err;
}

}  // namespace
