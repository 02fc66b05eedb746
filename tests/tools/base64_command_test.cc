// zel base64 run as a program: a file of many chunks there and back, in lines
// of 76, decoded in reads that split groups; the URI alphabet; bad files.
#include <algorithm>

#include "tool_run.h"

namespace {

TEST(Base64Command, StreamsChunksBothWaysAndReportsBadFiles) {
    zeltest::TempDir dir;
    std::string data(300001, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * i >> 5);
    zeltest::write_file(dir.file("data"), data);
    const std::string zel = std::string(ZEL_TOOL) + " base64 ";
    zeltest::Outcome text = zeltest::run(zel + dir.file("data"));
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 400004 / 76 + 1);
    for (size_t i = 76; i < text.out.size(); i += 77) ASSERT_EQ(text.out[i], '\n') << i;
    // 64 KB reads of lines of 77 bytes: groups are split between reads.
    EXPECT_TRUE(zeltest::run(zel + dir.file("data") + " | " + zel + "-d").out == data);
    using Step = std::tuple<const char *, std::string, int, std::string>;  // input, arguments, status, output
    const Step steps[] = {{"\\373\\377", "", 0, "+/8=\n"}, {"\\373\\377", "--uri", 0, "+-8=\n"},
                          {"+-8=", "-d", 0, "\xfb"},       {"+-8=", "--uri -d", 0, "\xfb\xff"},
                          {"YWJj=YWJj", "-d", 0, "abc"},   {"", dir.path(), 1, ""},
                          {"", dir.file("none"), 1, ""},   {"", "a b", 2, ""}};
    for (const auto &[input, line, status, out] : steps) {
        zeltest::Outcome o = zeltest::run(std::string("printf '") + input + "' | " + zel + line);
        EXPECT_EQ(std::make_pair(status, out), std::make_pair(o.status, o.out)) << line << o.err;
        EXPECT_TRUE(status == 0 || o.err.find("zel base64: ") == 0) << o.err;
    }
}

}  // namespace
