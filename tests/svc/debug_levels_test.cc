// Debug levels, trace routes and SVC_<COMPONENT>_DBG; severity routes and GOESTO.
#include "svc_test_util.h"

namespace {

using zeltest::status_of;

std::vector<std::string> g_told;
void on_level(const char *component, const char *subcomp, unsigned32 msgid, unsigned32 level) {
    g_told.push_back(std::string(component) + "/" + subcomp + "/" + std::to_string(msgid) + "=" +
                     std::to_string(level));
}

class DebugLevels : public ::testing::Test {
protected:
    void SetUp() override {
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
    unsigned32 set(const char *text, bool cb = true) {
        return status_of(cb ? zel_svc_debug_set_levels : zel_svc_debug_set_levels_nocb, text);
    }
    unsigned32 routing(const char *text) { return status_of(zel_svc_debug_routing, text); }
    int route_kind(int i) const { return handle_->debug_routes.routes[i]->kind; }
    zel_svc_subcomp table_[4] = {
        {"core", "d", 0x11, 0}, {"admin", "d", 0x12, 0}, {"azn", "d", 0, 0}, {nullptr, nullptr, 0, 0}};
    zel_svc_handle *handle_ = nullptr;
};

TEST_F(DebugLevels, GrammarAndCallbacks) {
    EXPECT_EQ(0u, set("tst:*.9"));
    EXPECT_EQ("999", levels());
    EXPECT_EQ((std::vector<std::string>{"tst/core/17=9", "tst/admin/18=9", "tst/azn/0=9"}), g_told);
    g_told.clear();
    // A text changes the levels up to its first fault, and tells of those only.
    const struct {
        const char *text;
        unsigned32 status;
        const char *levels;
        size_t told;
    } cases[] = {{"tst:core.10", ZEL_S_SVC_BAD_ROUTE_SPEC, "999", 0},
                 {"tst:core.x", ZEL_S_SVC_BAD_ROUTE_SPEC, "999", 0},
                 {"tst:core", ZEL_S_SVC_BAD_ROUTE_SPEC, "999", 0},
                 {"tst:core.99999999999999999999", ZEL_S_SVC_BAD_ROUTE_SPEC, "999", 0},
                 {"tst", ZEL_S_SVC_BAD_ROUTE_SPEC, "999", 0},
                 {"tst:", 0, "999", 0},
                 {"tst:core.3,nosuch.2,admin.4", ZEL_S_SVC_BAD_ROUTE_SPEC, "399", 1},
                 {"tst:admin.07xyz,azn.0,", 0, "370", 3},  // text after the digits is ignored
                 {"tst:core.1,,azn.2", ZEL_S_SVC_BAD_ROUTE_SPEC, "170", 4}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.status, set(c.text)) << c.text;
        EXPECT_EQ(c.levels + std::to_string(c.told), levels() + std::to_string(g_told.size())) << c.text;
    }
    // The forms without callbacks change the same levels.
    g_told.clear();
    unsigned32 st = set("tst:admin.5", false);
    zel_svc_debug_routing_nocb("tst:azn.6:DISCARD:", &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ("156", levels());
    EXPECT_TRUE(g_told.empty());
}

TEST_F(DebugLevels, RoutingSetsLevelsAndRoutes) {
    EXPECT_EQ(0u, routing("tst:core.5:STDOUT:;NOSUCH:x"));
    EXPECT_EQ("500", levels());
    EXPECT_EQ(1u, g_told.size());
    ASSERT_EQ(2, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, route_kind(0));
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, route_kind(1));  // routing fallback
    // Levels without routes are only remembered; a bad level keeps the routes.
    EXPECT_EQ(0u, routing("tst:core.7"));
    EXPECT_EQ("500", levels());
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, routing("tst:core.x:STDERR:"));
    EXPECT_EQ(2, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, routing("nocolon"));
}

TEST_F(DebugLevels, RememberedTextsWinOverEnvironmentAndWaitForRegistration) {
    setenv("SVC_TST_DBG", "tst:*.9:STDERR:", 1);
    EXPECT_EQ(0u, set("tst:core.2:STDOUT:"));
    EXPECT_EQ(2u, zel_svc__debug_fillin2(handle_, 0));
    EXPECT_EQ(0u, zel_svc__debug_fillin2(handle_, 1));
    ASSERT_EQ(1, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, route_kind(0));

    EXPECT_EQ(0u, set("later:*.4"));
    EXPECT_EQ(0u, routing("later2:azn.2:STDERR:"));
    zel_svc_subcomp table[] = {{"azn", "d", 0, 0}, {nullptr, nullptr, 0, 0}}, table2[] = {table[0], table[1]};
    unsigned32 st;
    zel_svc_handle *later = zel_svc_register(table, "later", &st);
    zel_svc_handle *later2 = zel_svc_register(table2, "later2", &st);
    // Levels remembered without routes apply, but a set-up without routes fails.
    EXPECT_EQ(0u, zel_svc__debug_fillin2(later, 0));
    EXPECT_EQ(4u, table[0].level & 0xFF);
    EXPECT_EQ(2u, zel_svc__debug_fillin2(later2, 0));
    EXPECT_EQ(0u, zel_svc__debug_fillin2(later2, 1) + zel_svc__debug_fillin2(later2, -1));  // past the table
    ASSERT_EQ(1, later2->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, later2->debug_routes.routes[0]->fallback);
    zel_svc_unregister(later, &st);
    zel_svc_unregister(later2, &st);
}

// Unset, no routes; a value for another component or that does not parse sets nothing.
TEST_F(DebugLevels, EnvironmentReadOnce) {
    unsetenv("SVC_TST_DBG");
    unsigned32 st = 1;
    EXPECT_TRUE(zel_svc__debug_fillin(handle_, &st));
    EXPECT_EQ(0, handle_->debug_routes.count);
    for (const char *value : {"other:*.9:STDERR:", "tst", "ts", "tst:*.9", "tst:*.x:STDERR:"}) {
        setenv("SVC_TST_DBG", value, 1);
        handle_->debug_filled = 0;
        EXPECT_FALSE(zel_svc__debug_fillin(handle_, &st)) << value;
        EXPECT_EQ("000 0", levels() + " " + std::to_string(handle_->debug_routes.count)) << value;
    }
    int count = 5;
    // The levels apply, then the bad route at the end fails the set-up.
    setenv("SVC_TST_DBG", "TST:admin.7:STDERR:;FILE", 1);
    handle_->debug_filled = 0;
    EXPECT_TRUE(zel_svc__debug_fillin(handle_, &st));
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, st);
    EXPECT_EQ("070", levels());
    ASSERT_EQ(1, handle_->debug_routes.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, route_kind(0));
    setenv("SVC_TST_DBG", "tst:*.1:DISCARD:", 1);
    EXPECT_NE(nullptr, zel_svc__goesto("tst", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("070", levels());
    EXPECT_EQ(1u, g_told.size());
}

int kind_of(int severity, int route = 0) { return zel_svc_g_routes[severity].routes[route]->kind; }

unsigned32 route(const char *text) { return status_of(zel_svc_routing, text); }

// A key selects the first severity it begins; a bad route keeps the routes before it.
TEST(SeverityRouting, KeysBadTextsAndBadRoutes) {
    const struct {
        const char *text;
        int severity;
    } cases[] = {{"WARN:STDOUT:", 2}, {"NOTICE:STDOUT:", 3}, {"NOTICE_V:STDOUT:", 4},
                 {":STDOUT:", 0},     {"E:STDOUT:", 1},      {"NOTICE_VERBOSE:STDOUT:", 4}};
    for (auto &c : cases) {
        for (auto &block : zel_svc_g_routes) zel_svc__close_routes(&block);
        ASSERT_EQ(0u, route(c.text)) << c.text;
        for (int s = 0; s < 5; ++s) EXPECT_EQ(s == c.severity ? 1 : 0, zel_svc_g_routes[s].count) << c.text;
        EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, kind_of(c.severity));
    }
    ASSERT_EQ(0u, route("WARNING:STDOUT:"));
    for (const char *text : {"WARNING:STDERR", "WARNING", "FOO:STDERR:", "WARNINGS:STDERR:", "warning:STDERR:", ""})
        EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route(text)) << text;
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route(nullptr));
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT * 10 + 1, kind_of(2) * 10 + zel_svc_g_routes[2].count);
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route("ERROR:STDOUT:;FILE.2:x;STDERR:"));
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT * 10 + 1, kind_of(1) * 10 + zel_svc_g_routes[1].count);
}

// Emptied blocks refill from the remembered text, also for a GOESTO.
TEST(SeverityRouting, StarSetsAndRemembersAllFive) {
    setenv("SVC_NOTICE", "STDOUT:", 1);
    ASSERT_EQ(0u, route("*:DISCARD:;XMLSTDERR:"));
    for (int s = 0; s < 5; ++s) {
        ASSERT_EQ(2, zel_svc_g_routes[s].count);
        zel_svc__close_routes(&zel_svc_g_routes[s]);
        unsigned32 st = 1;
        zel_svc__fillin(zel_svc_g_attr_table[s], &st);
        EXPECT_EQ(0u, st);
        ASSERT_EQ(2, zel_svc_g_routes[s].count) << s;
        EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, zel_svc_g_routes[s].routes[1]->fallback);
    }
    zel_svc__close_routes(&zel_svc_g_routes[3]);
    int count = 0;
    zel_svc_route_t **routes = zel_svc__goesto("NOTICE", &count);
    ASSERT_EQ(2, count);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, routes[0]->kind);
    for (const char *name : {"notice", "", static_cast<const char *>(nullptr)}) {  // names are exact
        count = 7;
        EXPECT_EQ(nullptr, zel_svc__goesto(name, &count));
        EXPECT_EQ(0, count);
    }
}

TEST(SeverityFillin, DefaultsAndEnvironmentLists) {
    for (const char *name : {"SVC_FATAL", "SVC_ERROR", "SVC_WARNING", "SVC_NOTICE", "SVC_NOTICE_VERBOSE"})
        unsetenv(name);
    const int expected[] = {ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_DISCARD,
                            ZEL_SVC_ROUTE_DISCARD};
    unsigned32 st = 1;
    for (int s = 0; s < 5; ++s) {
        // The whole attribute word is accepted: only the severity bits count.
        zel_svc__fillin(zel_svc_g_attr_table[s] | ZEL_SVC_ATTR_ABORT | ZEL_SVC_ATTR_ALSO_STDERR, &st);
        EXPECT_EQ(0u, st);
        ASSERT_EQ(1, zel_svc_g_routes[s].count);
        EXPECT_EQ(expected[s], kind_of(s));
        zel_svc__close_routes(&zel_svc_g_routes[s]);
    }
    setenv("SVC_ERROR", "STDOUT:;STDERR:", 1);
    setenv("SVC_WARNING", "", 1);
    setenv("SVC_FATAL", "NOSUCH:abc", 1);
    zel_svc__fillin(ZEL_SVC_SEV_ERROR, &st);
    ASSERT_EQ(2, zel_svc_g_routes[1].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT * 100 + ZEL_SVC_ROUTE_STDERR, kind_of(1, 0) * 100 + kind_of(1, 1));
    zel_svc__fillin(ZEL_SVC_SEV_WARNING, &st);
    EXPECT_EQ(0, zel_svc_g_routes[2].count);  // an empty list sends WARNING nowhere
    zel_svc__fillin(ZEL_SVC_SEV_FATAL, &st);
    EXPECT_EQ(0u, st);
    ASSERT_EQ(1, zel_svc_g_routes[0].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, kind_of(0));  // unknown route: the fill-in fallback
    zel_svc__fillin(0x7, &st);                     // no severity: nothing to fill
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, st);
}

}  // namespace
