#include <zel/zel.h>
#include <gtest/gtest.h>
TEST(Placeholder, Builds) { unsigned32 st; EXPECT_NE(nullptr, zel_msg_get_default_msg(0x3665A097, &st)); }
