// Route lists: the grammar, the route records of each kind, shared log-file
// records, and the table of remembered specifications.
#include <zel/zel.h>

#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>

#include "svc/routes.h"
#include "svc_test_util.h"

namespace {

using zeltest::kInvalid;

class RouteList : public ::testing::Test {
protected:
    void TearDown() override {
        zel_svc__close_routes(&block_);
        zel_svc__close_routes(&other_);
    }
    unsigned32 build(const std::string &list, int fallback = ZEL_SVC_ROUTE_STDERR) {
        unsigned32 st = 12345;
        zel_svc__close_routes(&block_);
        zel_svc__open_routes(&block_, fallback, list.c_str(), &st);
        return st;
    }
    zel_svc_route_t *route(int i) { return block_.routes[i]; }
    zel_svc_fileroute_t *file(int i) { return static_cast<zel_svc_fileroute_t *>(route(i)->target); }

    zel_svc_routes_t block_{};
    zel_svc_routes_t other_{};
    zeltest::TempDir dir_;
};

TEST_F(RouteList, SeparatorsAndStreamKinds) {
    EXPECT_EQ(0u, build("STDERR:;;;STDOUT:;XMLSTDOUT:x;XMLSTDERR:;DISCARD:;"));
    ASSERT_EQ(5, block_.count);
    const int kinds[] = {ZEL_SVC_ROUTE_STDERR, ZEL_SVC_ROUTE_STDOUT, ZEL_SVC_ROUTE_XMLSTDOUT,
                         ZEL_SVC_ROUTE_XMLSTDERR, ZEL_SVC_ROUTE_DISCARD};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(kinds[i], route(i)->kind) << i;
        EXPECT_EQ(1, route(i)->open);
    }
    // An empty list gives an empty block and leaves the status alone.
    EXPECT_EQ(12345u, build(""));
    EXPECT_EQ(0, block_.count);
}

TEST_F(RouteList, FaultsStopTheBuildAndKeepEarlierRoutes) {
    EXPECT_EQ(kInvalid, build("STDERR"));  // ':' is required even without a parameter
    EXPECT_EQ(0, block_.count);
    EXPECT_EQ(kInvalid, build("STDOUT:;FILE.3:" + dir_.file("x") + ";STDERR:"));
    ASSERT_EQ(1, block_.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDOUT, route(0)->kind);
    EXPECT_EQ(kInvalid, build(";STDERR:"));  // a lone ';' first is an empty route
    EXPECT_EQ(kInvalid, build("."));
    EXPECT_EQ(kInvalid, build("FILE.:x"));  // one '.' and no second one
    EXPECT_EQ(0u, build("STDERR.1.2:"));    // counts on a stream kind are ignored
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, route(0)->kind);
}

TEST_F(RouteList, FileCountsModesOwners) {
    ASSERT_EQ(0u, build("FILE.3.100:" + dir_.file("a") + ";TEXTFILE.500.10:" + dir_.file("b") +
                        ";UTF8FILE:" + dir_.file("c") + ":0640;XMLFILE:" + dir_.file("d") +
                        ":999;FILE:" + dir_.file("e") + ":1777:root:root;FILE:" +
                        dir_.file("f") + "::nosuchuser_zel:nosuchgroup_zel"));
    // Archives stop at 99; a mode must be octal and at most 0777; unknown
    // owners and groups are -1.
    const struct {
        int kind, archives, records, mode, uid, gid;
    } want[] = {{ZEL_SVC_ROUTE_FILE, 3, 100, 0, -1, -1},    {ZEL_SVC_ROUTE_FILE, 99, 10, 0, -1, -1},
                {ZEL_SVC_ROUTE_UTF8FILE, 0, 0, 0640, -1, -1}, {ZEL_SVC_ROUTE_XMLFILE, 0, 0, 0, -1, -1},
                {ZEL_SVC_ROUTE_FILE, 0, 0, 0, 0, 0},         {ZEL_SVC_ROUTE_FILE, 0, 0, 0, -1, -1}};
    ASSERT_EQ(6, block_.count);
    for (int i = 0; i < 6; ++i) {
        const auto &w = want[i];
        EXPECT_EQ(w.kind, route(i)->kind) << i;
        EXPECT_EQ(w.archives, file(i)->archives) << i;
        EXPECT_EQ(w.records, file(i)->records_per_file) << i;
        EXPECT_EQ(w.mode, file(i)->mode) << i;
        EXPECT_EQ(w.uid, file(i)->uid) << i;
        EXPECT_EQ(w.gid, file(i)->gid) << i;
        EXPECT_EQ(0, route(i)->open) << "files open at their first record";
        EXPECT_EQ(nullptr, file(i)->stream);
    }
    EXPECT_EQ(dir_.file("c"), file(2)->name);  // the mode is not part of the name
}

TEST_F(RouteList, FileNamesExpandTheProcessId) {
    std::string pid = std::to_string(getpid());
    ASSERT_EQ(0u, build("FILE:" + dir_.file("p_%ld.log") + ";FILE:" + dir_.file("q_%d.x.y") +
                        ";FILE:" + dir_.file("r_100%%_%s_%") ));
    ASSERT_EQ(3, block_.count);
    EXPECT_EQ(dir_.file("p_" + pid + ".log"), file(0)->name);
    EXPECT_EQ(dir_.file("p_%ld.log"), file(0)->pattern);
    EXPECT_EQ(dir_.file("q_" + pid + ".x.y"), file(1)->name);
    EXPECT_EQ(dir_.file("r_100%_%s_%"), file(2)->name);
}

TEST_F(RouteList, RoutesNamingOneFileShareItsRecord) {
    std::string list = "FILE.2.5:" + dir_.file("s_%ld.log");
    ASSERT_EQ(0u, build(list + ";" + list));
    unsigned32 st = 1;
    zel_svc__open_routes(&other_, ZEL_SVC_ROUTE_DISCARD, ("FILE.7.9:" + dir_.file("s_%d.log")).c_str(), &st);
    ASSERT_EQ(0u, st);
    zel_svc_fileroute_t *shared = file(0);
    EXPECT_EQ(shared, file(1));
    EXPECT_EQ(shared, other_.routes[0]->target);
    EXPECT_EQ(3, shared->references);
    EXPECT_EQ(2, shared->archives);  // the first route set it up; later ones share it
    EXPECT_EQ(5, shared->records_per_file);
    int tables = zel_svc_g_num_fileroutes;

    zel_svc__close_routes(&block_);
    EXPECT_EQ(1, shared->references);
    zel_svc__close_routes(&other_);
    EXPECT_EQ(0, shared->references);
    // Named again, the record is reused and set up afresh.
    ASSERT_EQ(0u, build("FILE.4.6:" + dir_.file("s_%ld.log")));
    EXPECT_EQ(shared, file(0));
    EXPECT_EQ(tables, zel_svc_g_num_fileroutes);
    EXPECT_EQ(4, shared->archives);
    EXPECT_EQ(6, shared->records_per_file);
}

TEST_F(RouteList, GoestoAndUnknownKeywords) {
    ASSERT_EQ(0u, build("GOESTO:ERROR;MYROUTE.1.2:xyz:0644;GOESTO:", ZEL_SVC_ROUTE_DISCARD));
    ASSERT_EQ(3, block_.count);
    EXPECT_EQ(ZEL_SVC_ROUTE_GOESTO, route(0)->kind);
    EXPECT_STREQ("ERROR", static_cast<const char *>(route(0)->target));
    // No dynamic route of that name: the route waits at its fallback.
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, route(1)->kind);
    EXPECT_EQ(1, route(1)->open);
    EXPECT_STREQ("MYROUTE", route(1)->keyword);
    EXPECT_STREQ("xyz", route(1)->parameter);
    EXPECT_STREQ("", static_cast<const char *>(route(2)->target));
    // Keywords compare exactly: lower case is a dynamic name.
    ASSERT_EQ(0u, build("stderr:"));
    EXPECT_STREQ("stderr", route(0)->keyword);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, route(0)->kind);  // the fallback
}

TEST(RememberedTexts, KeyedByTheTextBeforeTheFirstColon) {
    unsigned32 st = 1;
    zel_svc__store("WARNING:STDERR:", &st);
    EXPECT_EQ(0u, st);
    zel_svc__store("NOTICE_VERBOSE:STDOUT:", &st);
    zel_svc__store("qpc:*.9:FILE:/tmp/x", &st);
    int size = zel_svc_g_memory_size;
    EXPECT_STREQ("STDERR:", zel_svc__get("WARNING"));
    EXPECT_EQ(nullptr, zel_svc__get("WARN"));
    EXPECT_EQ(nullptr, zel_svc__get("NOTICE"));
    EXPECT_STREQ("*.9:FILE:/tmp/x", zel_svc__get("qpc"));
    zel_svc__store("WARNING:DISCARD:", &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ(size, zel_svc_g_memory_size);
    EXPECT_STREQ("DISCARD:", zel_svc__get("WARNING"));
}

// Texts without a separator and routes of unknown kinds are internal faults.
TEST(RouteListDeathTest, InternalFaultsAbort) {
    unsigned32 st = 1;
    zel_svc__store("WARNING:STDERR:", &st);
    EXPECT_DEATH(zel_svc__store("WARNING", &st), "");
    zel_svc_routes_t block{};
    zel_svc__open_routes(&block, ZEL_SVC_ROUTE_STDERR, "DISCARD:", &st);
    ASSERT_EQ(1, block.count);
    block.routes[0]->kind = 42;
    EXPECT_DEATH(zel_svc__close_routes(&block), "");
    block.routes[0]->kind = ZEL_SVC_ROUTE_DISCARD;
    zel_svc__close_routes(&block);
}

}  // namespace
