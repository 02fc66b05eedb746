// Route lists and file routes; log file opening and rotation.
#include "svc/routes/routes.h"
#include "svc_test_util.h"

namespace {

using namespace zeltest;

class Routes : public ::testing::Test {
protected:
    void TearDown() override {
        zel_svc__close_routes(&block_);
        zel_svc__close_routes(&other_);
        std::free(block_.routes);  // an emptied block keeps its array
        std::free(other_.routes);
    }
    unsigned32 build(const std::string &list, int fallback = ZEL_SVC_ROUTE_STDERR, zel_svc_routes_t *block = nullptr) {
        unsigned32 st = 12345;
        block = block ? block : &block_;
        zel_svc__close_routes(block);
        zel::open_routes(block, fallback, list.c_str(), &st);
        return st;
    }
    zel_svc_route_t *route(int i) { return block_.routes[i]; }
    zel_svc_fileroute_t *file(int i, zel_svc_routes_t *block = nullptr) {
        return static_cast<zel_svc_fileroute_t *>((block ? block : &block_)->routes[i]->target);
    }
    // What the printing code does for one record on one route.
    static void write(zel_svc_route_t *route, const std::string &text) {
        zel_svc__check_open(route);
        ASSERT_TRUE(zel::is_file_kind(route->kind));
        FILE *stream = static_cast<zel_svc_fileroute_t *>(route->target)->stream;
        ASSERT_NE(nullptr, stream);
        std::fputs((text + "\n").c_str(), stream);
        std::fflush(stream);
    }
    std::string path(const std::string &name) { return dir_.file(name); }

    zel_svc_routes_t block_{};
    zel_svc_routes_t other_{};
    TempDir dir_;
};
using RouteList = Routes;
using LogFile = Routes;

// Empty routes are skipped, counts on streams ignored; an empty list leaves the status.
TEST_F(RouteList, Grammar) {
    EXPECT_EQ(0u, build("STDERR:;;;STDOUT:;XMLSTDOUT:x;XMLSTDERR:;DISCARD:;STDERR.1.2:"));
    const int kinds[] = {ZEL_SVC_ROUTE_STDERR,    ZEL_SVC_ROUTE_STDOUT,  ZEL_SVC_ROUTE_XMLSTDOUT,
                         ZEL_SVC_ROUTE_XMLSTDERR, ZEL_SVC_ROUTE_DISCARD, ZEL_SVC_ROUTE_STDERR};
    ASSERT_EQ(6, block_.count);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(kinds[i], route(i)->kind) << i;
    // ':' is required even without a parameter; a lone ';' first is an empty route.
    for (const char *bad : {"STDERR", ";STDERR:", ".", "FILE.:x"})
        EXPECT_EQ(ZEL_S_SVC_BAD_ROUTE_SPEC, build(bad)) << bad;
    EXPECT_EQ(12345u, build(""));
    EXPECT_EQ(0, block_.count);
}

// Rendered as the engine does with the process id as the only argument, else left as written.
TEST(FilePattern, ConversionsAsTheEngineReadsThem) {
    const std::pair<const char *, const char *> names[] = {{"%012ld_%-7x.%.9u", "000000123456_1e240  .000123456"},
                                                           {"%lu %hd %lld", "123456 123456 123456"},
                                                           {"%1$d", "123456"},
                                                           {"%2$d", "%2$d"},
                                                           {"%*d", "%*d"},
                                                           {"100%% %5%", "100%     %"},
                                                           {"%-20s", "%-20s"},
                                                           {"%lf %n %hhd %", "%lf %n %hhd %"}};
    for (const auto &[pattern, name] : names) EXPECT_EQ(name, zel::expand_file_pattern(pattern, 123456)) << pattern;
    // Widths are capped as in a record, so no pattern makes a huge name.
    EXPECT_EQ(4096u, zel::expand_file_pattern("%2147483647d", 123456).size());
}

// The first route to name a file sets it up; once none names it, the next sets it up afresh.
TEST_F(RouteList, RoutesNamingOneFileShareItsRecord) {
    std::string list = "FILE.2.5:" + path("s_%ld.x.log");
    ASSERT_EQ(0u, build(list + ";" + list));
    ASSERT_EQ(0u, build("FILE.7.9:" + path("s_%d.x.log"), ZEL_SVC_ROUTE_DISCARD, &other_));
    zel_svc_fileroute_t *shared = file(0);
    EXPECT_EQ(path("s_" + std::to_string(getpid()) + ".x.log") + " " + path("s_%ld.x.log"),
              std::string(shared->name) + " " + shared->pattern);
    EXPECT_TRUE(shared == file(1) && shared == file(0, &other_));
    EXPECT_EQ(2 * 100 + 5, shared->archives * 100 + shared->records_per_file);
    zel_svc__close_routes(&other_);
    ASSERT_EQ(0u, build("FILE.4.6:" + path("s_%ld.x.log")));
    EXPECT_EQ(shared, file(0));
    EXPECT_EQ(4 * 100 + 6, shared->archives * 100 + shared->records_per_file);
}

TEST_F(RouteList, GoestoAndUnknownKeywords) {
    ASSERT_EQ(0u, build("GOESTO:ERROR;MYROUTE.1.2:xyz:0644;GOESTO:", ZEL_SVC_ROUTE_DISCARD));
    ASSERT_EQ(3, block_.count);
    EXPECT_STREQ("ERROR", static_cast<const char *>(route(0)->target));
    // No dynamic route of that name: the route waits at its fallback.
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, route(1)->kind);
    EXPECT_STREQ("MYROUTE xyz", (std::string(route(1)->keyword) + " " + route(1)->parameter).c_str());
    EXPECT_STREQ("", static_cast<const char *>(route(2)->target));
    // Keywords compare exactly: lower case is a dynamic name.
    ASSERT_EQ(0u, build("stderr:"));
    EXPECT_STREQ("stderr", route(0)->keyword);
    EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, route(0)->kind);  // the fallback
}

// A route of an unknown kind is an internal fault, written even under the mutex.
TEST(RouteListDeathTest, InternalFaultsAbort) {
    unsigned32 st = 1;
    EXPECT_EXIT(({
                    zel_svc_routing("ERROR:DISCARD:", &st);
                    zel_svc_g_routes[1].routes[0]->kind = 42;
                    zel_svc_routing("ERROR:STDERR:", &st);
                }),
                testing::KilledBySignal(SIGABRT), "Unknown route closed");
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// The archive names present for `base`, ".1" to ".9", as "1=contents;...".
std::string archives_of(const std::string &base) {
    std::string out;
    for (int n = 1; n <= 9; ++n) {
        std::string name = base + "." + std::to_string(n);
        if (exists(name)) out += std::to_string(n) + "=" + read_file(name) + ";";
    }
    return out;
}

// Each file held "old": archived with archives, else emptied; without a count a file grows.
TEST_F(LogFile, RotationArchivesOrStartsNewFiles) {
    const struct {
        const char *kind, *name, *file, *archives;
    } cases[] = {
        {"FILE.4.2", "rot.log", "r5\n", "1=r3\nr4\n;2=r1\nr2\n;3=old\n;"},
        {"FILE.0.2", "trunc.log", "r5\n", ""},
        {"FILE", "plain.log", "old\nr1\nr2\nr3\nr4\nr5\n", ""},
        {"FILE.3.0", "once.log", "r1\nr2\nr3\nr4\nr5\n", "1=old\n;"},
    };
    std::string list;
    for (const auto &c : cases) {
        write_file(path(c.name), "old\n");
        list += std::string(c.kind) + ":" + path(c.name) + ";";
    }
    ASSERT_EQ(0u, build(list));
    EXPECT_FALSE(exists(path("rot.log")));
    EXPECT_EQ("old\n", read_file(path("trunc.log")));
    for (int i = 1; i <= 5; ++i) {
        for (int r = 0; r < 4; ++r) write(route(r), "r" + std::to_string(i));
        if (i == 1) {
            EXPECT_EQ("r1\n", read_file(path("trunc.log")));
        }
    }
    for (const auto &c : cases) {
        EXPECT_EQ(c.file, read_file(path(c.name))) << c.kind;
        EXPECT_EQ(c.archives, archives_of(path(c.name))) << c.kind;
    }
}

TEST_F(LogFile, RecordCountIsSharedByEveryRouteOfTheFile) {
    std::string log = path("s.log");
    ASSERT_EQ(0u, build("FILE.0.2:" + log));
    ASSERT_EQ(0u, build("TEXTFILE.9.9:" + log, ZEL_SVC_ROUTE_DISCARD, &other_));
    zel_svc_route_t *ra = route(0), *rb = other_.routes[0];
    for (int i = 1; i <= 4; ++i) write(i % 2 ? ra : rb, "r" + std::to_string(i));  // r3 starts it again
    EXPECT_EQ("r3\nr4\n", read_file(log));
}

TEST_F(LogFile, OpeningSetsCloseOnExecModeAndOwnerEveryTime) {
    std::string log = path("m.log");
    ASSERT_EQ(0u, build("FILE.0.1:" + log + ":0600:nosuchuser_zel"));
    write(route(0), "r1");
    EXPECT_TRUE(fcntl(fileno(file(0)->stream), F_GETFD) & FD_CLOEXEC);
    struct stat st;
    ASSERT_EQ(0, stat(log.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    ASSERT_EQ(0, chmod(log.c_str(), 0644));
    write(route(0), "r2");  // rotation: a new file with the same mode
    ASSERT_EQ(0, stat(log.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ("r2\n", read_file(log));
}

TEST_F(LogFile, UnusableFilesFallBack) {
    std::string deep = dir_.path();
    // A 511-character name that can be opened: directories of 200 characters.
    while (deep.size() + 201 < 511 - 10) {
        deep += "/" + std::string(200, 'd');
        ASSERT_EQ(0, mkdir(deep.c_str(), 0700));
    }
    std::string name511 = deep + "/" + std::string(511 - deep.size() - 1, 'f');
    ASSERT_EQ(511u, name511.size());
    ASSERT_EQ(0u, build("FILE:" + path("missing/x.log") + ";FILE:" + dir_.path() +
                        ";XMLFILE:" + path(std::string(5000, 'n')) + ";UTF8FILE:" + name511));
    ASSERT_EQ(0u, build("FILE:" + path("missing/x.log"), ZEL_SVC_ROUTE_DISCARD, &other_));
    for (int i = 0; i < 3; ++i) {
        zel_svc__check_open(route(i));
        EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, route(i)->kind) << i;
        EXPECT_EQ(1, route(i)->open);
    }
    // The file's other route falls back to its own fallback without trying the name again.
    ASSERT_EQ(0, mkdir(path("missing").c_str(), 0700));
    zel_svc__check_open(other_.routes[0]);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, other_.routes[0]->kind);
    EXPECT_FALSE(exists(path("missing/x.log")));
    write(route(3), "long");
    EXPECT_EQ("long\n", read_file(name511));
}

}  // namespace
