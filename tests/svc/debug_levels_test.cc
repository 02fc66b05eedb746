// Debug level specifications: the grammar, levels applied to sub-components
// with the level callbacks, remembered texts, trace routes, and the one-time
// set-up from SVC_<COMPONENT>_DBG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "svc_test_util.h"

namespace {

using zeltest::kInvalid;

std::vector<std::string> g_told;
void on_level(const char *component, const char *subcomp, unsigned32 msgid, unsigned32 level) {
    g_told.push_back(std::string(component) + "/" + subcomp + "/" + std::to_string(msgid) + "=" +
                     std::to_string(level));
}

class DebugLevels : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto &row : table_) row.level = 0;
        unsigned32 st = 1;
        handle_ = zel_svc_register(table_, "tst", &st);
        ASSERT_NE(nullptr, handle_);
        zel_svc_register_callbacks(nullptr, nullptr, on_level, &st);
        g_told.clear();
    }
    void TearDown() override {
        unsigned32 st;
        zel_svc_unregister_callbacks(nullptr, nullptr, on_level, &st);
        zel_svc_unregister(handle_, &st);
    }
    std::string levels() const {
        std::string out;
        for (int i = 0; i < 3; ++i) out += std::to_string(table_[i].level);
        return out;
    }
    unsigned32 set(const char *text, bool callbacks = true) {
        unsigned32 st = 1;
        if (callbacks)
            zel_svc_debug_set_levels(text, &st);
        else
            zel_svc_debug_set_levels_nocb(text, &st);
        return st;
    }
    zel_svc_subcomp table_[4] = {{"core", "d", 0x11, 0}, {"admin", "d", 0x12, 0}, {"azn", "d", 0, 0},
                                 {nullptr, nullptr, 0, 0}};
    zel_svc_handle *handle_ = nullptr;
};

TEST_F(DebugLevels, GrammarAndCallbacks) {
    EXPECT_EQ(0u, set("tst:*.9"));
    EXPECT_EQ("999", levels());
    EXPECT_EQ((std::vector<std::string>{"tst/core/17=9", "tst/admin/18=9", "tst/azn/0=9"}), g_told);
    g_told.clear();
    EXPECT_EQ(kInvalid, set("tst:core.10"));
    EXPECT_EQ(kInvalid, set("tst:core.x"));
    EXPECT_EQ(kInvalid, set("tst:core"));
    EXPECT_EQ(kInvalid, set("tst:core.99999999999999999999"));
    EXPECT_EQ(kInvalid, set("tst"));
    EXPECT_EQ("999", levels());
    EXPECT_TRUE(g_told.empty());
    EXPECT_EQ(0u, set("tst:"));
    EXPECT_EQ(kInvalid, set("tst:core.3,nosuch.2,admin.4"));
    EXPECT_EQ("399", levels());
    EXPECT_EQ((std::vector<std::string>{"tst/core/17=3"}), g_told);
    EXPECT_EQ(0u, set("tst:admin.07xyz,azn.0,"));  // text after the digits is ignored
    EXPECT_EQ("370", levels());
    EXPECT_EQ(kInvalid, set("tst:core.1,,azn.2"));
    EXPECT_EQ("170", levels());
}

TEST_F(DebugLevels, NoCallbackFormsChangeTheSameLevels) {
    EXPECT_EQ(0u, set("tst:admin.5", false));
    unsigned32 st = 1;
    zel_svc_debug_routing_nocb("tst:azn.6:DISCARD:", &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ("056", levels());
    EXPECT_TRUE(g_told.empty());
}

TEST_F(DebugLevels, RoutingSetsLevelsAndRoutes) {
    unsigned32 st = 1;
    zel_svc_debug_routing("tst:core.5:STDOUT:;NOSUCH:x", &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ("500", levels());
    EXPECT_EQ(1u, g_told.size());
    EXPECT_TRUE(handle_->debug_filled);
    ASSERT_EQ(2, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, handle_->debug_routes.routes[0]->kind);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, handle_->debug_routes.routes[1]->kind);  // routing fallback
    int count = 0;
    EXPECT_EQ(handle_->debug_routes.routes, zel_svc__goesto("tst", &count));
    EXPECT_EQ(2, count);

    // Levels without routes are only remembered; a bad level keeps the routes.
    zel_svc_debug_routing("tst:core.7", &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ("500", levels());
    zel_svc_debug_routing("tst:core.x:STDERR:", &st);
    EXPECT_EQ(kInvalid, st);
    EXPECT_EQ(2, handle_->debug_routes.count);
    zel_svc_debug_routing("nocolon", &st);
    EXPECT_EQ(kInvalid, st);
}

TEST_F(DebugLevels, UnregisteredComponentUsesTheRememberedTextLater) {
    EXPECT_EQ(0u, set("later:*.4"));
    unsigned32 st = 1;
    zel_svc_debug_routing("later2:azn.2:STDERR:", &st);
    EXPECT_EQ(0u, st);
    zel_svc_subcomp table[] = {{"azn", "d", 0, 0}, {nullptr, nullptr, 0, 0}};
    zel_svc_subcomp table2[] = {{"azn", "d", 0, 0}, {nullptr, nullptr, 0, 0}};
    zel_svc_handle *later = zel_svc_register(table, "later", &st);
    zel_svc_handle *later2 = zel_svc_register(table2, "later2", &st);
    EXPECT_EQ(4u, zel_svc__debug_fillin2(later, 0));
    EXPECT_EQ(2u, zel_svc__debug_fillin2(later2, 0));
    EXPECT_EQ(0u, zel_svc__debug_fillin2(later2, 1));  // past the table
    EXPECT_EQ(0u, zel_svc__debug_fillin2(later2, -1));
    ASSERT_EQ(1, later2->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, later2->debug_routes.routes[0]->fallback);
    zel_svc_unregister(later, &st);
    zel_svc_unregister(later2, &st);
}

// SVC_<COMPONENT>_DBG is read once, at the component's first trace or lookup.
TEST_F(DebugLevels, EnvironmentReadOnce) {
    setenv("SVC_TST_DBG", "TST:admin.7:STDERR:;FILE", 1);
    unsigned32 st = 1;
    // The set-up applies the levels, then fails on the bad route at the end.
    EXPECT_TRUE(zel_svc__debug_fillin(handle_, &st));
    EXPECT_EQ(kInvalid, st);
    EXPECT_EQ("070", levels());
    ASSERT_EQ(1, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, handle_->debug_routes.routes[0]->kind);
    setenv("SVC_TST_DBG", "tst:*.1:DISCARD:", 1);
    int count = 0;
    EXPECT_NE(nullptr, zel_svc__goesto("tst", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("070", levels());
    EXPECT_EQ(1u, g_told.size());
}

// Without the variable the set-up succeeds with no routes; a value that does
// not name this component, or does not parse, fails it and sets nothing.
TEST_F(DebugLevels, EnvironmentUnsetOrForAnotherComponent) {
    unsetenv("SVC_TST_DBG");
    unsigned32 st = 1;
    EXPECT_TRUE(zel_svc__debug_fillin(handle_, &st));
    EXPECT_EQ(0, handle_->debug_routes.count);
    const char *bad[] = {"other:*.9:STDERR:", "tst", "ts", "tst:*.9", "tst:*.x:STDERR:"};
    for (const char *value : bad) {
        setenv("SVC_TST_DBG", value, 1);
        handle_->debug_filled = 0;
        EXPECT_FALSE(zel_svc__debug_fillin(handle_, &st)) << value;
        EXPECT_TRUE(handle_->debug_filled);
        EXPECT_EQ(0, handle_->debug_routes.count);
        EXPECT_EQ("000", levels()) << value;
    }
    int count = 5;
    EXPECT_EQ(nullptr, zel_svc__goesto("tst", &count));
    EXPECT_EQ(0, count);
}

TEST_F(DebugLevels, RememberedTextWinsOverEnvironment) {
    setenv("SVC_TST_DBG", "tst:*.9:STDERR:", 1);
    EXPECT_EQ(0u, set("tst:core.2:STDOUT:"));
    EXPECT_EQ(2u, zel_svc__debug_fillin2(handle_, 0));
    EXPECT_EQ(0u, zel_svc__debug_fillin2(handle_, 1));
    ASSERT_EQ(1, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, handle_->debug_routes.routes[0]->kind);
}

}  // namespace
