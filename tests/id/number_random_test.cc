// Number parsing and random bytes: the whole text must be the number and fit
// 32 bits; random bytes differ between calls, and a toolkit failure is
// written as a message and returned.
#include <zel/svc.h>

#include <kmt/qck_test.h>

#include "support/test_support.h"

namespace {

using namespace zeltest;

TEST(Numbers, StrtolAcceptsOnlyAWholeNumberInRange) {
    const std::tuple<const char *, int, long, unsigned32> rows[] = {
        {"12", 10, 12, 0},
        {" 5", 10, 5, 0},
        {"", 10, 0, 0},
        {"0x7fffffff", 0, 2147483647, 0},
        {"-2147483648", 10, -2147483647 - 1, 0},
        {"010", 0, 8, 0},
        {"zz", 36, 1295, 0},
        {" -0x80000000", 0, -2147483647 - 1, 0},
        {"\v+12", 10, 12, 0},
        {"0x", 16, 0, ZEL_S_NUMBER_INVALID},
        {"08", 0, 0, ZEL_S_NUMBER_INVALID},
        {"12a", 10, 12, ZEL_S_NUMBER_INVALID},
        {"5 ", 10, 5, ZEL_S_NUMBER_INVALID},
        {"5", 40, 0, ZEL_S_NUMBER_INVALID},
        {"", 1, 0, ZEL_S_NUMBER_INVALID},
        {"2147483648", 10, 2147483647, ZEL_S_NUMBER_TOO_LARGE},
        {"-2147483649", 10, -2147483647 - 1, ZEL_S_NUMBER_TOO_LARGE},
        {"99999999999", 10, 2147483647, ZEL_S_NUMBER_TOO_LARGE},
        {"99999999999x", 10, 2147483647, ZEL_S_NUMBER_INVALID}};
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
    ASSERT_EQ(0u, st);

    unsigned char untouched[4] = {1, 2, 3, 4}, first[32] = {}, second[32] = {};
    EXPECT_EQ(ZEL_S_SYSTEM_INPUT_INVALID, zel_get_random_bytes(untouched, 0));
    EXPECT_EQ(0, std::memcmp(untouched, "\1\2\3\4", 4));
    EXPECT_EQ(0u, zel_get_random_bytes(first, sizeof first));
    EXPECT_EQ(0u, zel_get_random_bytes(second, sizeof second));
    EXPECT_NE(0, std::memcmp(first, second, sizeof first));
    EXPECT_EQ("", read_file(dir.file("e.log")));

    QCK_test_fail_random(1);
    EXPECT_EQ(ZEL_S_QCK_FAILED, zel_get_random_bytes(first, sizeof first));
    std::string log = read_file(dir.file("e.log"));
    EXPECT_TRUE(log.find(" zel_random ") != std::string::npos &&
                log.find("KVXSC0179E   An QCK toolkit failure occurred while calling QCK_RAND_bytes.  Error: QCK: ") !=
                    std::string::npos)
        << log;
    EXPECT_EQ(0u, zel_get_random_bytes(first, sizeof first));
}

}  // namespace
