// Log files: lazy opening, rotation by record count shared across routes,
// archive names and fallback when a file cannot be opened. (The fork child's
// own files are in the reliability tests.)
#include <zel/zel.h>

#include <gtest/gtest.h>
#include <support/test_support.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "svc/routes.h"

namespace {

using zeltest::read_file;
using zeltest::write_file;

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

TEST(ArchiveLogFile, NamesForOneTwoThreeAndFiveArchives) {
    struct Case {
        int archives;
        std::vector<std::string> after;  // archive state after each of 6 archivings
    };
    const Case cases[] = {
        {1, {"1=c1;", "1=c2;", "1=c3;", "1=c4;", "1=c5;", "1=c6;"}},
        {2, {"1=c1;", "1=c2;", "1=c3;", "1=c4;", "1=c5;", "1=c6;"}},
        {3, {"1=c1;", "1=c1;2=c2;", "1=c3;2=c2;", "1=c4;2=c2;", "1=c5;2=c2;", "1=c6;2=c2;"}},
        {5,
         {"1=c1;", "1=c1;2=c2;", "1=c1;2=c2;3=c3;", "1=c1;2=c2;3=c3;4=c4;", "1=c5;2=c2;3=c3;4=c4;",
          "1=c6;2=c2;3=c3;4=c4;"}},
    };
    for (const Case &c : cases) {
        zeltest::TempDir dir;
        std::string log = dir.file("t.log");
        for (int i = 0; i < 6; ++i) {
            write_file(log, "c" + std::to_string(i + 1));
            archiveLogFile(log.c_str(), c.archives);
            EXPECT_FALSE(exists(log));
            EXPECT_EQ(c.after[i], archives_of(log)) << "archives " << c.archives << " step " << i;
        }
    }
    // Nothing happens without archives or without a file.
    zeltest::TempDir dir;
    std::string log = dir.file("t.log");
    archiveLogFile(log.c_str(), 3);
    write_file(log, "x");
    archiveLogFile(log.c_str(), 0);
    EXPECT_EQ("x", read_file(log));
    EXPECT_EQ("", archives_of(log));
}

class LogFile : public ::testing::Test {
protected:
    void TearDown() override {
        zel_svc__close_routes(&a_);
        zel_svc__close_routes(&b_);
    }
    static void build(zel_svc_routes_t *block, const std::string &list, int fallback = ZEL_SVC_ROUTE_STDERR) {
        unsigned32 st = 1;
        zel_svc__open_routes(block, fallback, list.c_str(), &st);
        ASSERT_EQ(0u, st) << list;
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
    zel_svc_routes_t a_{};
    zel_svc_routes_t b_{};
    zeltest::TempDir dir_;
};

// Each file held "old" before its route was set up. With archives, the old
// file is archived at set-up and each full file at the next record; without
// archives a file starts empty at its first record and at each later turn;
// without a record count it only grows.
TEST_F(LogFile, RotationArchivesOrStartsNewFiles) {
    const struct {
        const char *kind, *name, *file, *archives;
    } cases[] = {
        {"FILE.3.2", "rot.log", "r5\n", "1=r3\nr4\n;2=r1\nr2\n;"},
        {"FILE.0.2", "trunc.log", "r5\n", ""},
        {"FILE", "plain.log", "old\nr1\nr2\nr3\nr4\nr5\n", ""},
        {"FILE.3.0", "once.log", "r1\nr2\nr3\nr4\nr5\n", "1=old\n;"},
    };
    std::string list;
    for (const auto &c : cases) {
        write_file(dir_.file(c.name), "old\n");
        list += std::string(c.kind) + ":" + dir_.file(c.name) + ";";
    }
    build(&a_, list);
    EXPECT_FALSE(exists(dir_.file("rot.log")));
    EXPECT_EQ("old\n", read_file(dir_.file("trunc.log")));
    for (int i = 1; i <= 5; ++i) {
        for (int r = 0; r < 4; ++r) write(a_.routes[r], "r" + std::to_string(i));
        if (i == 1) {
            EXPECT_EQ("r1\n", read_file(dir_.file("trunc.log")));
        }
    }
    for (const auto &c : cases) {
        EXPECT_EQ(c.file, read_file(dir_.file(c.name))) << c.kind;
        EXPECT_EQ(c.archives, archives_of(dir_.file(c.name))) << c.kind;
    }
}

TEST_F(LogFile, RecordCountIsSharedByEveryRouteOfTheFile) {
    std::string log = dir_.file("s.log");
    build(&a_, "FILE.0.2:" + log);
    build(&b_, "TEXTFILE.9.9:" + log, ZEL_SVC_ROUTE_DISCARD);
    zel_svc_route_t *ra = a_.routes[0], *rb = b_.routes[0];
    write(ra, "r1");
    write(rb, "r2");
    write(ra, "r3");  // third record of the file: it starts again
    write(rb, "r4");
    EXPECT_EQ("r3\nr4\n", read_file(log));
}

TEST_F(LogFile, OpeningSetsCloseOnExecModeAndOwnerEveryTime) {
    std::string log = dir_.file("m.log");
    build(&a_, "FILE.0.1:" + log + ":0600:nosuchuser_zel");
    auto *file = static_cast<zel_svc_fileroute_t *>(a_.routes[0]->target);
    write(a_.routes[0], "r1");
    int flags = fcntl(fileno(file->stream), F_GETFD);
    EXPECT_TRUE(flags & FD_CLOEXEC);
    struct stat st;
    ASSERT_EQ(0, stat(log.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    ASSERT_EQ(0, chmod(log.c_str(), 0644));
    write(a_.routes[0], "r2");  // rotation: a new file with the same mode
    ASSERT_EQ(0, stat(log.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ("r2\n", read_file(log));
}

TEST_F(LogFile, UnusableFilesFallBack) {
    std::string longname(5000, 'n');
    std::string deep = dir_.path();
    // A 511-character name that can be opened: directories of 200 characters.
    while (deep.size() + 201 < 511 - 10) {
        deep += "/" + std::string(200, 'd');
        ASSERT_EQ(0, mkdir(deep.c_str(), 0700));
    }
    std::string name511 = deep + "/" + std::string(511 - deep.size() - 1, 'f');
    ASSERT_EQ(511u, name511.size());
    build(&a_, "FILE:" + dir_.file("missing/x.log") + ";FILE:" + dir_.path() + ";XMLFILE:" +
                   dir_.file(longname) + ";UTF8FILE:" + name511);
    build(&b_, "FILE:" + dir_.file("missing/x.log"), ZEL_SVC_ROUTE_DISCARD);
    for (int i = 0; i < 3; ++i) {
        zel_svc__check_open(a_.routes[i]);
        EXPECT_EQ(ZEL_SVC_ROUTE_STDERR, a_.routes[i]->kind) << i;
        EXPECT_EQ(1, a_.routes[i]->open);
    }
    // The other route of the failed file falls back at its next record, to
    // its own fallback, and the name is never tried again.
    zel_svc__check_open(b_.routes[0]);
    EXPECT_EQ(ZEL_SVC_ROUTE_DISCARD, b_.routes[0]->kind);
    ASSERT_EQ(0, mkdir(dir_.file("missing").c_str(), 0700));
    zel_svc_routes_t c{};
    build(&c, "FILE:" + dir_.file("missing/x.log"));
    write(c.routes[0], "now");
    zel_svc__close_routes(&c);
    EXPECT_EQ("now\n", read_file(dir_.file("missing/x.log")));

    write(a_.routes[3], "long");
    EXPECT_EQ("long\n", read_file(name511));
}

}  // namespace
