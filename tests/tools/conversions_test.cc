// The printf conversions that zel catalog check compares.
#include "conversions.h"

#include <gtest/gtest.h>

namespace {

using zeltool::format_conversions;
using zeltool::printf_conversions;

std::string list(const char *text) { return format_conversions(printf_conversions(text)); }

TEST(Conversions, KindsInArgumentOrder) {
    EXPECT_EQ("%s %d", list("open %s failed: %d"));
    EXPECT_EQ("-", list("100%% done, %m"));
    EXPECT_EQ("%s", list("%-10.3s%%"));
    EXPECT_EQ("* %d * * %s", list("%*d %*.*s"));
    EXPECT_EQ("%ld %lld %hhu %Lf %qd %jd %zu %td %S %C %p", list("%ld %lld %hhu %Lf %qd %jd %zu %td %S %C %p"));
    EXPECT_NE(list("%d"), list("%ld"));
    EXPECT_NE(list("%s %d"), list("%d %s"));
}

TEST(Conversions, PositionalArgumentsCompareByPosition) {
    EXPECT_EQ(list("%s ... %d"), list("%2$d ... %1$s"));
    EXPECT_EQ("%s", list("%1$s and again %1$s"));
    EXPECT_EQ("? %s", list("%2$s"));
    EXPECT_EQ("* %s", list("%2$.*1$s"));
    EXPECT_EQ("%s|d", list("%1$s %1$d"));
}

TEST(Conversions, MalformedConversionsNeverMatchAWellFormedList) {
    EXPECT_EQ("%s !%", list("%s 100%"));
    EXPECT_EQ("!%y", list("%y"));
    EXPECT_EQ("!%99999$", list("%99999$s"));
}

}  // namespace
