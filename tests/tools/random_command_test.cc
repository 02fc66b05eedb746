// zel random run as a program: byte counts across its chunks, the hex form,
// and the counts it refuses.
#include "tool_run.h"

namespace {

TEST(RandomCommand, WritesTheBytesAskedForAndRefusesBadCounts) {
    const std::string zel = std::string(ZEL_TOOL) + " random ";
    const std::tuple<std::string, int, size_t> rows[] = {{"1", 0, 1},
                                                         {"100000", 0, 100000},
                                                         {"16 --hex", 0, 33},
                                                         {"49153 --hex", 0, 98307},
                                                         {"0", 2, 0},
                                                         {"-1", 2, 0},
                                                         {"12x", 2, 0},
                                                         {"1073741825", 2, 0},
                                                         {"", 2, 0},
                                                         {"1 2", 2, 0},
                                                         {"--hex", 2, 0},
                                                         {"3 --hex --base64", 2, 0},
                                                         {"49154 --base64", 0, 65541},
                                                         {"2 --base64", 0, 5}};
    for (const auto &[arguments, status, size] : rows) {
        zeltest::Outcome got = zeltest::run(zel + arguments);
        EXPECT_EQ(status, got.status) << arguments << ": " << got.err;
        EXPECT_EQ(size, got.out.size()) << arguments;
        EXPECT_EQ(status == 2, got.err.find("zel random") != std::string::npos) << got.err;
    }
    std::string a = zeltest::run(zel + "16 --hex").out, b = zeltest::run(zel + "16 --hex").out;
    EXPECT_TRUE(a.find_first_not_of("0123456789abcdef") == 32 && a.back() == '\n' && a != b) << a << b;
    std::string c = zeltest::run(zel + "49154 --base64").out;  // padding only at the very end, past the first chunk
    EXPECT_EQ(c.size() - 2, c.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"));
}

}  // namespace
