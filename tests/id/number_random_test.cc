// Number parsing and random bytes: the whole text must be the number and fit
// 32 bits; random bytes differ between calls, and a toolkit failure is
// written as a message and returned.
#include <zel/svc.h>

#include <kmt/qck_test.h>

#include "support/test_support.h"

namespace {

using namespace zeltest;

TEST(Numbers, StrtolAcceptsOnlyAWholeNumberInRange) {
    const long min = -2147483647 - 1, max = 2147483647;
    const unsigned32 invalid = ZEL_S_NUMBER_INVALID, large = ZEL_S_NUMBER_TOO_LARGE;
    const std::tuple<const char *, int, long, unsigned32> rows[] = {{"\v+12", 10, 12, 0},
                                                                    {"", 10, 0, 0},
                                                                    {"0x7fffffff", 0, max, 0},
                                                                    {" -0x80000000", 0, min, 0},
                                                                    {"08", 0, 0, invalid},
                                                                    {"5 ", 10, 5, invalid},
                                                                    {"5", 40, 0, invalid},
                                                                    {"2147483648", 10, max, large},
                                                                    {"-2147483649", 10, min, large},
                                                                    {"99999999999", 10, max, large},
                                                                    {"99999999999x", 10, max, invalid}};
    for (const auto &[text, base, value, status] : rows) {
        long got = 123;
        EXPECT_EQ(status, zel_strtol(text, base, &got)) << text;
        EXPECT_EQ(value, got) << text;
    }
    long got;
    EXPECT_EQ(ZEL_S_NUMBER_INVALID, zel_strtol(nullptr, 10, &got));
    EXPECT_EQ(ZEL_S_NUMBER_INVALID, zel_strtol("1", 10, nullptr));
}

TEST(Random, BytesDifferAndFailuresAreWritten) {
    TempDir dir;
    unsigned32 st;
    zelmsg_init("randomtest", 0);
    zel_svc_routing(("ERROR:FILE:" + dir.file("e.log")).c_str(), &st);
    unsigned char untouched[4] = {1, 2, 3, 4}, first[32] = {}, second[32] = {};
    EXPECT_EQ(ZEL_S_SYSTEM_INPUT_INVALID, zel_get_random_bytes(untouched, 0));
    EXPECT_EQ(0, std::memcmp(untouched, "\1\2\3\4", 4));
    EXPECT_EQ(0u, zel_get_random_bytes(first, sizeof first) | zel_get_random_bytes(second, sizeof second));
    EXPECT_NE(0, std::memcmp(first, second, sizeof first));
    EXPECT_EQ("", read_file(dir.file("e.log")));
    QCK_test_fail_random(1);  // one failure, written, then the bytes come again
    EXPECT_EQ(ZEL_S_QCK_FAILED, zel_get_random_bytes(first, sizeof first));
    EXPECT_EQ(0u, zel_get_random_bytes(first, sizeof first));
    std::string log = read_file(dir.file("e.log"));
    EXPECT_NE(std::string::npos, log.find(" zel_random ")) << log;
    EXPECT_NE(std::string::npos,
              log.find("KVXSC0179E   An QCK toolkit failure occurred while calling QCK_RAND_bytes.  Error: QCK: "));
}

}  // namespace
