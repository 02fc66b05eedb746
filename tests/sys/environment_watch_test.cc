// The cached environment lookups follow every way a program changes its
// environment: a new variable, a new value, a removal, a putenv string.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sys/environment_watch.h"

namespace {

std::string value_of(const char *name) {
    const char *value = zel::watched_getenv(name);
    return value ? value : "<unset>";
}

TEST(EnvironmentWatch, FollowsEveryChange) {
    unsetenv("ZEL_WATCH_A");
    EXPECT_EQ("<unset>", value_of("ZEL_WATCH_A"));
    EXPECT_EQ("<unset>", value_of("ZEL_WATCH_A"));  // answered from the cache

    setenv("ZEL_WATCH_A", "one", 1);  // appended: a longer array
    EXPECT_EQ("one", value_of("ZEL_WATCH_A"));
    setenv("ZEL_WATCH_A", "two", 1);  // replaced in place
    EXPECT_EQ("two", value_of("ZEL_WATCH_A"));

    // A name asked for by another address, and a second name.
    std::string name = "ZEL_WATCH_A";
    EXPECT_EQ("two", value_of(name.c_str()));
    setenv("ZEL_WATCH_B", "b", 1);
    EXPECT_EQ("b", value_of("ZEL_WATCH_B"));

    static char entry[] = "ZEL_WATCH_A=three";
    putenv(entry);
    EXPECT_EQ("three", value_of("ZEL_WATCH_A"));

    unsetenv("ZEL_WATCH_A");  // later entries move down in the same array
    EXPECT_EQ("<unset>", value_of("ZEL_WATCH_A"));
    EXPECT_EQ("b", value_of("ZEL_WATCH_B"));
    unsetenv("ZEL_WATCH_B");
    EXPECT_EQ("<unset>", value_of("ZEL_WATCH_B"));

    // More names than the cache keeps are still answered.
    for (int i = 0; i < 12; ++i) {
        std::string n = "ZEL_WATCH_N" + std::to_string(i);
        setenv(n.c_str(), std::to_string(i).c_str(), 1);
    }
    for (int i = 0; i < 12; ++i) {
        std::string n = "ZEL_WATCH_N" + std::to_string(i);
        EXPECT_EQ(std::to_string(i), value_of(n.c_str())) << n;
        EXPECT_EQ(std::to_string(i), value_of(n.c_str())) << n;
    }
}

}  // namespace
