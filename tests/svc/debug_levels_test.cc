// Debug levels, trace routes and SVC_<COMPONENT>_DBG; severity routes and GOESTO.
#include "svc_test_util.h"

namespace {

using zeltest::status_of;

std::vector<std::string> g_told;
void on_level(const char *component, const char *subcomp, unsigned32 msgid, unsigned32 level) {
    g_told.push_back(std::string(component) + "/" + subcomp + "/" + std::to_string(msgid) + "=" +
                     std::to_string(level));
}

// The kinds of a block's routes, in order.
std::vector<int> kinds(const zel_svc_routes_t &block) {
    std::vector<int> out;
    for (int i = 0; i < block.count; ++i) out.push_back(block.routes[i]->kind);
    return out;
}
using Kinds = std::vector<int>;

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
    Kinds route_kinds() const { return kinds(handle_->debug_routes); }
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
    // Each case: the status, then the levels and how many were told so far.
    const std::tuple<const char *, unsigned32, const char *> cases[] = {
        {"tst:core.10", ZEL_S_SVC_BAD_ROUTE_SPEC, "9990"},
        {"tst:core.x", ZEL_S_SVC_BAD_ROUTE_SPEC, "9990"},
        {"tst:core", ZEL_S_SVC_BAD_ROUTE_SPEC, "9990"},
        {"tst:core.99999999999999999999", ZEL_S_SVC_BAD_ROUTE_SPEC, "9990"},
        {"tst", ZEL_S_SVC_BAD_ROUTE_SPEC, "9990"},
        {"tst:", 0, "9990"},
        {"tst:core.3,nosuch.2,admin.4", ZEL_S_SVC_BAD_ROUTE_SPEC, "3991"},
        {"tst:admin.07xyz,azn.0,", 0, "3703"},  // text after the digits is ignored
        {"tst:core.1,,azn.2", ZEL_S_SVC_BAD_ROUTE_SPEC, "1704"}};
    for (const auto &[text, status, want] : cases) {
        EXPECT_EQ(status, set(text)) << text;
        EXPECT_EQ(want, levels() + std::to_string(g_told.size())) << text;
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
    EXPECT_EQ((Kinds{ZEL_SVC_ROUTE_STDOUT, ZEL_SVC_ROUTE_DISCARD}), route_kinds());  // the routing fallback
    // Levels without routes are only remembered; a bad level keeps the routes.
    EXPECT_EQ(0u, routing("tst:core.7"));
    EXPECT_EQ("500", levels());
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, routing("tst:core.x:STDERR:"));
    EXPECT_EQ(2u, route_kinds().size());
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, routing("nocolon"));
}

TEST_F(DebugLevels, RememberedTextsWinOverEnvironmentAndWaitForRegistration) {
    setenv("SVC_TST_DBG", "tst:*.9:STDERR:", 1);
    EXPECT_EQ(0u, set("tst:core.2:STDOUT:"));
    EXPECT_EQ(2u, zel_svc__debug_fillin2(handle_, 0));
    EXPECT_EQ(0u, zel_svc__debug_fillin2(handle_, 1));
    EXPECT_EQ(Kinds{ZEL_SVC_ROUTE_STDOUT}, route_kinds());

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
    EXPECT_EQ(Kinds{}, route_kinds());
    for (const char *value : {"other:*.9:STDERR:", "tst", "ts", "tst:*.9", "tst:*.x:STDERR:"}) {
        setenv("SVC_TST_DBG", value, 1);
        handle_->debug_filled = 0;
        EXPECT_FALSE(zel_svc__debug_fillin(handle_, &st)) << value;
        EXPECT_EQ("0000", levels() + std::to_string(handle_->debug_routes.count)) << value;
    }
    int count = 5;
    // The levels apply, then the bad route at the end fails the set-up.
    setenv("SVC_TST_DBG", "TST:admin.7:STDERR:;FILE", 1);
    handle_->debug_filled = 0;
    EXPECT_TRUE(zel_svc__debug_fillin(handle_, &st));
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, st);
    EXPECT_EQ("070", levels());
    EXPECT_EQ(Kinds{ZEL_SVC_ROUTE_STDERR}, route_kinds());
    setenv("SVC_TST_DBG", "tst:*.1:DISCARD:", 1);
    EXPECT_NE(nullptr, zel_svc__goesto("tst", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("070", levels());
    EXPECT_EQ(1u, g_told.size());
}

Kinds kinds_of(int severity) { return kinds(zel_svc_g_routes[severity]); }

unsigned32 route(const char *text) { return status_of(zel_svc_routing, text); }

// A key selects the first severity it begins; a bad route keeps the routes before it.
TEST(SeverityRouting, KeysBadTextsAndBadRoutes) {
    const std::pair<const char *, int> cases[] = {{"WARN:STDOUT:", 2},     {"NOTICE:STDOUT:", 3},
                                                  {"NOTICE_V:STDOUT:", 4}, {":STDOUT:", 0},
                                                  {"E:STDOUT:", 1},        {"NOTICE_VERBOSE:STDOUT:", 4}};
    for (auto &[text, severity] : cases) {
        for (auto &block : zel_svc_g_routes) zel_svc__close_routes(&block);
        ASSERT_EQ(0u, route(text)) << text;
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(s == severity ? Kinds{ZEL_SVC_ROUTE_STDOUT} : Kinds{}, kinds_of(s)) << text;
    }
    ASSERT_EQ(0u, route("WARNING:STDOUT:"));
    for (const char *text : {"WARNING:STDERR", "WARNING", "FOO:STDERR:", "WARNINGS:STDERR:", "warning:STDERR:", ""})
        EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route(text)) << text;
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route(nullptr));
    EXPECT_EQ(Kinds{ZEL_SVC_ROUTE_STDOUT}, kinds_of(2));
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, route("ERROR:STDOUT:;FILE.2:x;STDERR:"));
    EXPECT_EQ(Kinds{ZEL_SVC_ROUTE_STDOUT}, kinds_of(1));
}

// Emptied blocks refill from the remembered text, also for a GOESTO.
TEST(SeverityRouting, StarSetsAndRemembersAllFive) {
    setenv("SVC_NOTICE", "STDOUT:", 1);
    ASSERT_EQ(0u, route("*:DISCARD:;XMLSTDERR:"));
    for (int s = 0; s < 5; ++s) {
        ASSERT_EQ(2u, kinds_of(s).size());
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
    unsigned32 st = 1;
    for (int s = 0; s < 5; ++s) {
        // The whole attribute word is accepted: only the severity bits count.
        zel_svc__fillin(zel_svc_g_attr_table[s] | ZEL_SVC_ATTR_ABORT | ZEL_SVC_ATTR_ALSO_STDERR, &st);
        EXPECT_EQ(0u, st);
        EXPECT_EQ(Kinds{s < 3 ? ZEL_SVC_ROUTE_STDERR : ZEL_SVC_ROUTE_DISCARD}, kinds_of(s)) << s;
        zel_svc__close_routes(&zel_svc_g_routes[s]);
    }
    setenv("SVC_ERROR", "STDOUT:;STDERR:", 1);
    setenv("SVC_WARNING", "", 1);
    setenv("SVC_FATAL", "NOSUCH:abc", 1);
    zel_svc__fillin(ZEL_SVC_SEV_ERROR, &st);
    EXPECT_EQ((Kinds{ZEL_SVC_ROUTE_STDOUT, ZEL_SVC_ROUTE_STDERR}), kinds_of(1));
    zel_svc__fillin(ZEL_SVC_SEV_WARNING, &st);
    EXPECT_EQ(Kinds{}, kinds_of(2));  // an empty list sends WARNING nowhere
    zel_svc__fillin(ZEL_SVC_SEV_FATAL, &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ(Kinds{ZEL_SVC_ROUTE_DISCARD}, kinds_of(0));  // unknown route: the fill-in fallback
    zel_svc__fillin(0x7, &st);                             // no severity: nothing to fill
    EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, st);
}

}  // namespace
