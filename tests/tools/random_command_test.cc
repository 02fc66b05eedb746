// zel random run as a program: byte counts across its chunks, the hex and
// Base64 forms, and the counts it refuses.
#include "tool_run.h"

namespace {

TEST(RandomCommand, WritesTheBytesAskedForAndRefusesBadCounts) {
    const std::string zel = std::string(ZEL_TOOL) + " random ";
    for (auto [arguments, size] : {std::pair("1", 1u),
                                   {"100000", 100000},
                                   {"16 --hex", 33},
                                   {"49153 --hex", 98307},
                                   {"2 --base64", 5},
                                   {"49154 --base64", 65541}}) {
        zeltest::Outcome got = zeltest::run(zel + arguments);
        EXPECT_TRUE(got.status == 0 && got.out.size() == size && got.err.empty()) << arguments << ": " << got.err;
    }
    for (const char *bad : {"0", "-1", "12x", "1073741825", "", "1 2", "--hex", "3 --hex --base64"}) {
        zeltest::Outcome got = zeltest::run(zel + bad);
        EXPECT_TRUE(got.status == 2 && got.out.empty() && got.err.find("zel random") != std::string::npos)
            << bad << ": " << got.err;
    }
    std::string a = zeltest::run(zel + "16 --hex").out, b = zeltest::run(zel + "16 --hex").out;
    EXPECT_TRUE(a.find_first_not_of("0123456789abcdef") == 32 && a.back() == '\n' && a != b) << a << b;
    std::string c = zeltest::run(zel + "49154 --base64").out;  // padding only at the very end, past the first chunk
    EXPECT_EQ(c.size() - 2, c.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"));
}

}  // namespace
