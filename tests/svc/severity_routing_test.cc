// Severity routes: zel_svc_routing and its key matching, remembered texts
// against SVC_<SEVERITY>, the defaults, and the lookup by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "svc_test_util.h"

namespace {

using zeltest::kInvalid;

int kind_of(int severity, int route = 0) { return zel_svc_g_routes[severity].routes[route]->kind; }

unsigned32 route(const char *text) {
    unsigned32 st = 1;
    zel_svc_routing(text, &st);
    return st;
}

TEST(SeverityRouting, KeysSelectTheFirstSeverityTheyBegin) {
    struct {
        const char *text;
        int severity;
    } cases[] = {{"WARN:STDOUT:", 2},     {"NOTICE:STDOUT:", 3}, {"NOTICE_V:STDOUT:", 4},
                 {":STDOUT:", 0},         {"E:STDOUT:", 1},      {"NOTICE_VERBOSE:STDOUT:", 4}};
    for (auto &c : cases) {
        for (auto &block : zel_svc_g_routes) zel_svc__close_routes(&block);
        ASSERT_EQ(0u, route(c.text)) << c.text;
        for (int s = 0; s < 5; ++s) EXPECT_EQ(s == c.severity ? 1 : 0, zel_svc_g_routes[s].count) << c.text;
        EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, kind_of(c.severity));
        EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, zel_svc_g_routes[c.severity].routes[0]->fallback);
    }
}

// A text that does not parse changes nothing; a bad route in a list keeps
// the routes built before it.
TEST(SeverityRouting, InvalidTextsAndBadRoutes) {
    ASSERT_EQ(0u, route("WARNING:STDOUT:"));
    const char *bad[] = {"WARNING:STDERR", "WARNING", "FOO:STDERR:", "WARNINGS:STDERR:", "warning:STDERR:", ""};
    for (const char *text : bad) EXPECT_EQ(kInvalid, route(text)) << text;
    ASSERT_EQ(1, zel_svc_g_routes[2].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, kind_of(2));
    unsigned32 st = 1;
    zel_svc_routing(nullptr, &st);
    EXPECT_EQ(kInvalid, st);
    EXPECT_EQ(kInvalid, route("ERROR:STDOUT:;FILE.2:x;STDERR:"));
    ASSERT_EQ(1, zel_svc_g_routes[1].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, kind_of(1));
}

// Emptied blocks fill again from the remembered text, not the environment,
// also when a GOESTO looks the list up.
TEST(SeverityRouting, StarSetsAndRemembersAllFive) {
    setenv("SVC_NOTICE", "STDOUT:", 1);
    ASSERT_EQ(0u, route("*:DISCARD:;XMLSTDERR:"));
    for (int s = 0; s < 5; ++s) {
        ASSERT_EQ(2, zel_svc_g_routes[s].count);
        EXPECT_EQ(ZEL_SVC_ROUTE_XMLSTDERR, kind_of(s, 1));
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
}

TEST(SeverityFillin, DefaultsWithoutEnvironment) {
    for (const char *name : {"SVC_FATAL", "SVC_ERROR", "SVC_WARNING", "SVC_NOTICE", "SVC_NOTICE_VERBOSE"})
        unsetenv(name);
    const int expected[] = {ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_STDERR,
                            ZEL_SVC_ROUTE_DISCARD, ZEL_SVC_ROUTE_DISCARD};
    for (int s = 0; s < 5; ++s) {
        unsigned32 st = 1;
        // The whole attribute word is accepted: only the severity bits count.
        zel_svc__fillin(zel_svc_g_attr_table[s] | ZEL_SVC_ATTR_ABORT | ZEL_SVC_ATTR_ALSO_STDERR, &st);
        EXPECT_EQ(0u, st);
        ASSERT_EQ(1, zel_svc_g_routes[s].count);
        EXPECT_EQ(expected[s], kind_of(s));
        EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, zel_svc_g_routes[s].routes[0]->fallback);
    }
}

TEST(SeverityFillin, EnvironmentLists) {
    setenv("SVC_ERROR", "STDOUT:;STDERR:", 1);
    setenv("SVC_WARNING", "", 1);
    setenv("SVC_FATAL", "NOSUCH:abc", 1);
    unsigned32 st = 1;
    zel_svc__fillin(ZEL_SVC_SEV_ERROR, &st);
    ASSERT_EQ(2, zel_svc_g_routes[1].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, kind_of(1, 0));
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, kind_of(1, 1));
    zel_svc__fillin(ZEL_SVC_SEV_WARNING, &st);
    EXPECT_EQ(0, zel_svc_g_routes[2].count);  // an empty list sends WARNING nowhere
    zel_svc__fillin(ZEL_SVC_SEV_FATAL, &st);
    EXPECT_EQ(0u, st);
    ASSERT_EQ(1, zel_svc_g_routes[0].count);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, kind_of(0));  // unknown route: the fill-in fallback
    st = 1;
    zel_svc__fillin(0x7, &st);  // no severity: nothing to fill
    EXPECT_EQ(kInvalid, st);
}

TEST(Goesto, NamesAreExactAndCyclesStillBuild) {
    ASSERT_EQ(0u, route("ERROR:GOESTO:ERROR;GOESTO:WARNING;STDERR:"));
    ASSERT_EQ(0u, route("WARNING:GOESTO:ERROR"));
    int count = 0;
    zel_svc_route_t **routes = zel_svc__goesto("ERROR", &count);
    ASSERT_EQ(3, count);
    EXPECT_EQ(ZEL_SVC_ROUTE_GOESTO, routes[0]->kind);
    EXPECT_STREQ("ERROR", static_cast<const char *>(routes[0]->target));
    count = 7;
    EXPECT_EQ(nullptr, zel_svc__goesto("error", &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, zel_svc__goesto("", &count));
    EXPECT_EQ(nullptr, zel_svc__goesto(nullptr, &count));
}

}  // namespace
